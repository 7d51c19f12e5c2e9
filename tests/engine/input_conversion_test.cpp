// Conversion of 8-bit input through the converter program: the kept-output rule, RunConverter on
// small stand-in programs, and ConvertToPcm16 with its per-process copy in the temporary folder.
#include "lame/input_conversion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/engine_state.h"
#include "lame/converter_runner.h"
#include "test_support.h"
#include "tolvo/platform/file_system.h"

namespace tolvo::engine {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

size_t OpenDescriptorCount() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// A folder holding an executable "snd" shell script with the given body; $3 is the output path.
std::string MakeConverterFolder(const TempDir& dir, const std::string& name,
                                const std::string& body) {
  const std::string folder = dir / name;
  fs::create_directory(folder);
  const std::string script = "#!/bin/sh\n" + body + "\n";
  test::WriteFile(folder + "/snd", test::Bytes(script.begin(), script.end()));
  fs::permissions(folder + "/snd", fs::perms::owner_all);
  return folder;
}

TEST(ConverterOutput, KeepsPiecesUntilNinetyThousandCharactersArePassed) {
  ConverterOutput output;
  output.Append("a");
  size_t pieces = 1;
  while (output.text().size() < kConverterOutputKeepLimit) {
    output.Append(std::string(kConverterReadSize, 'b'));
    ++pieces;
  }
  // The piece that passed the limit is kept whole; nothing after it ever is.
  EXPECT_EQ(output.text().size(), 1 + (pieces - 1) * kConverterReadSize);
  EXPECT_GT(output.text().size(), kConverterOutputKeepLimit);
  output.Append("c");
  output.Append(std::string(kConverterReadSize, 'd'));
  EXPECT_EQ(output.text().find_first_of("cd"), std::string::npos);

  ConverterOutput exact;
  exact.Append(std::string(kConverterOutputKeepLimit, 'x'));
  exact.Append("y");
  EXPECT_EQ(exact.text().size(), kConverterOutputKeepLimit);
}

TEST(ConverterRunner, ArgumentsCommandLineAndCopyName) {
  const auto arguments = ConverterArguments("/opt/tolvo", "/music/in 1.wav", "/tmp/copy.wav");
  EXPECT_EQ(arguments, (std::vector<std::string>{"/opt/tolvo/snd", "-pcm16", "/music/in 1.wav",
                                                 "/tmp/copy.wav"}));
  EXPECT_EQ(ConverterCommandLine(arguments),
            "\"/opt/tolvo/snd\" -pcm16 \"/music/in 1.wav\" \"/tmp/copy.wav\"");
  EXPECT_EQ(ConverterCommandLine({std::string(5000, 'p')}).size(), kConverterCommandLineSize - 1);
  EXPECT_EQ(ConvertedCopyPath("/var/tmp/tolvo-12-abcdef"),
            "/var/tmp/tolvo-12-abcdef/$$$tolvosoftware$$$.wav");
}

TEST(ConverterRunner, ReturnsTheExitCodeWithBothStreamsAndNoInput) {
  TempDir dir;
  const std::string folder = MakeConverterFolder(
      dir, "prog",
      "echo to-stdout\necho to-stderr >&2\nif read line; then echo had-input; fi\nexit 7");
  const size_t descriptors = OpenDescriptorCount();
  std::string kept;
  EXPECT_EQ(RunConverter({folder + "/snd"}, &kept), 7);
  EXPECT_NE(kept.find("to-stdout\n"), std::string::npos) << kept;
  EXPECT_NE(kept.find("to-stderr\n"), std::string::npos) << kept;
  EXPECT_EQ(kept.find("had-input"), std::string::npos) << kept;
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST(ConverterRunner, MissingProgramGivesZeroAndClosesEverything) {
  TempDir dir;
  const size_t descriptors = OpenDescriptorCount();
  std::string kept = "old";
  EXPECT_EQ(RunConverter(ConverterArguments(dir.path(), dir / "in.wav", dir / "out.wav"), &kept),
            0);
  EXPECT_EQ(kept, "");
  EXPECT_FALSE(test::Exists(dir / "out.wav"));
  EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST(ConverterRunner, DrainsOutputBeyondTheBufferAndKeepsItsBeginning) {
  TempDir dir;
  const std::string marker = dir / "finished";
  const std::string folder =
      MakeConverterFolder(dir, "prog", "seq 1 40000\necho done > '" + marker + "'\nexit 3");
  std::string printed;
  for (int i = 1; i <= 40000; ++i) printed += std::to_string(i) + "\n";
  ASSERT_GT(printed.size(), kConverterOutputBufferSize);

  std::string kept;
  EXPECT_EQ(RunConverter({folder + "/snd"}, &kept), 3);
  EXPECT_TRUE(test::Exists(marker));  // it ran to its end: never blocked on a full pipe
  EXPECT_GE(kept.size(), kConverterOutputKeepLimit);
  EXPECT_LT(kept.size(), kConverterOutputKeepLimit + kConverterReadSize);
  EXPECT_EQ(kept, printed.substr(0, kept.size()));
}

class ConvertToPcm16Test : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("TMPDIR");
    hadTmpdir_ = old != nullptr;
    if (old) savedTmpdir_ = old;
    setenv("TMPDIR", tmp_.path().c_str(), 1);
    EngineState& state = State();
    CopyPathField(state.inputPath, input_.c_str());
    test::WriteWav(
        input_,
        {.channels = 1, .sampleRate = 22050, .bitsPerSample = 8, .formatTag = 1, .frames = 1000});
    ResetConversion();
  }
  void TearDown() override {
    if (hadTmpdir_)
      setenv("TMPDIR", savedTmpdir_.c_str(), 1);
    else
      unsetenv("TMPDIR");
  }
  void UseProgramFolder(const std::string& folder) {
    CopyPathField(State().programFolder, folder.c_str());
  }
  // The copy of the conversion that ran last: in a private folder of this process.
  std::string CopyPath() const {
    for (const std::string& name : test::ListFolder(tmp_.path())) {
      if (name.rfind(platform::ProcessTempPrefix(), 0) == 0)
        return tmp_ / name + "/$$$tolvosoftware$$$.wav";
    }
    return tmp_ / "(no private folder)";
  }

  TempDir work_;
  TempDir tmp_;
  const std::string input_ = work_ / "eight bit.wav";

 private:
  bool hadTmpdir_ = false;
  std::string savedTmpdir_;
};

TEST_F(ConvertToPcm16Test, RealProgramMakesTheCopyAndTheJobEndRemovesIt) {
  UseProgramFolder(test::OutDir());
  ASSERT_EQ(ConvertToPcm16(), 0);
  EXPECT_EQ(std::string(State().inputPath), CopyPath());
  EXPECT_EQ(test::SizeOf(CopyPath()), 44 + 2 * 1000);
  EXPECT_EQ(test::SizeOf(input_), 44 + 1000);
  struct stat folder {};
  ASSERT_EQ(lstat(CopyPath().substr(0, CopyPath().rfind('/')).c_str(), &folder), 0);
  EXPECT_TRUE(S_ISDIR(folder.st_mode));
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  DeleteConvertedInput();
  EXPECT_TRUE(test::ListFolder(tmp_.path()).empty());
}

TEST_F(ConvertToPcm16Test, OnlyAProgramThatSucceedsAndWroteTheCopyCounts) {
  // What another user may have planted under the old shared name is never looked at.
  test::WriteWav(tmp_ / ("$$$tolvosoftware$$$-" + std::to_string(getpid()) + ".wav"),
                 {.channels = 1, .sampleRate = 22050, .frames = 10});
  const std::string seen = work_ / "seen";
  struct Case {
    const char* script;
    int expected;
  };
  const Case cases[] = {
      {"exit 0", 1},                    // wrote nothing
      {"cp \"$2\" \"$3\"\nexit 5", 1},  // wrote a copy, but failed
      {"cp \"$2\" \"$3\"\nkill -9 $$", 1},
      {"cp \"$2\" \"$3\"\nexit 0", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    ResetConversion();
    CopyPathField(State().inputPath, input_.c_str());
    UseProgramFolder(MakeConverterFolder(
        work_, "prog", "printf '%s|' \"$1\" \"$2\" \"$3\" > '" + seen + "'\n" + c.script));
    EXPECT_EQ(ConvertToPcm16(), c.expected);
    const test::Bytes record = test::ReadFile(seen);
    EXPECT_EQ(std::string(record.begin(), record.end()),
              "-pcm16|" + input_ + "|" + CopyPath() + "|");
    EXPECT_EQ(std::string(State().inputPath), c.expected == 0 ? CopyPath() : input_);
    DeleteConvertedInput();
    EXPECT_EQ(test::ListFolder(tmp_.path()).size(), 1u);  // only the planted file
    std::filesystem::remove_all(work_ / "prog");
  }
}

TEST_F(ConvertToPcm16Test, FolderWithoutTheProgramFails) {
  UseProgramFolder(work_.path());
  EXPECT_EQ(ConvertToPcm16(), 1);
  EXPECT_EQ(std::string(State().inputPath), input_);
  DeleteConvertedInput();
  EXPECT_TRUE(test::ListFolder(tmp_.path()).empty());
}

TEST_F(ConvertToPcm16Test, LeftoversOfDeadProcessesOfThisUserAreRemoved) {
  pid_t dead = fork();
  if (dead == 0) _exit(0);
  ASSERT_EQ(waitpid(dead, nullptr, 0), dead);
  const std::string deadPid = std::to_string(dead), livePid = std::to_string(getppid());
  const std::string deadFolder = tmp_ / ("tolvo-" + deadPid + "-abcdef");
  ASSERT_EQ(mkdir(deadFolder.c_str(), 0700), 0);
  test::WriteFile(deadFolder + "/$$$tolvosoftware$$$.wav", {1, 2});
  test::WriteFile(deadFolder + "/.snd-partial-abcdef", {1});
  test::WriteFile(tmp_ / ("$$$tolvosoftware$$$-" + deadPid + ".wav"), {1});
  test::WriteFile(tmp_ / ("tolvo-" + deadPid + "-ghijkl"), {1});
  // Kept: a living process's, another user's, and names that only look alike.
  const std::vector<std::string> kept = {
      "tolvo-" + livePid + "-abcdef", "tolvo-" + deadPid + "-other",
      "tolvo-" + deadPid + "-abcdef.mp3", "tolvo-" + deadPid + "-zzzzzz", "song.wav"};
  for (const std::string& name : kept) test::WriteFile(tmp_ / name, {1});
  ASSERT_EQ(chown((tmp_ / kept[3]).c_str(), 4242, 4242), 0);

  UseProgramFolder(test::OutDir());
  ASSERT_EQ(ConvertToPcm16(), 0);
  DeleteConvertedInput();
  std::vector<std::string> left = test::ListFolder(tmp_.path());
  std::sort(left.begin(), left.end());
  std::vector<std::string> expected = kept;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(left, expected);
}

TEST_F(ConvertToPcm16Test, AJobThatConvertedNothingDeletesNothing) {
  const std::string other = tmp_ / "tolvo-1-abcdef";
  test::WriteFile(other, {1, 2, 3});
  ResetConversion();
  DeleteConvertedInput();
  EXPECT_TRUE(test::Exists(other));
}

}  // namespace
}  // namespace tolvo::engine
