// Every failure of "tolvo encode" names the file, says what failed and adds the system's reason.
// Permission cases run tolvo as "nobody" (the suite runs as root, who may read and write
// anything); a full disk is a file size limit.
#include <gtest/gtest.h>

#include <filesystem>

#include "tolvo_cli.h"

namespace tolvo::test {
namespace {

namespace fs = std::filesystem;

const std::string kAsNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups";

// A folder "nobody" can enter, holding what the cases need.
void PrepareFiles(const TempDir& dir) {
  fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_all);
  WriteWav(dir / "in.wav", {.frames = 44100});
  WriteWav(dir / "low.wav", {.channels = 1, .sampleRate = 8000, .frames = 8000});
  WriteWav(dir / "secret.wav", {.frames = 4410});
  fs::permissions(dir / "secret.wav", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_directory(dir / "folder.wav");
  fs::create_directory(dir / "outdir");
  fs::create_directory(dir / "ro");
  fs::permissions(dir / "ro",
                  fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
  WriteFile(dir / "text.wav", Bytes(300, 'x'));
  WriteFile(dir / "tagged.wav", Bytes{'I', 'D', '3', 3, 0, 0, 0, 0, 0, 10, 0xFF, 0xFB, 0x90});
  WriteFile(dir / "plain", Bytes{1});
  WriteFile(dir / "empty.wav", Bytes{});
  RunCommand("mkfifo " + ShellQuote(dir / "fifo.wav") + " " + ShellQuote(dir / "fifo.mp3"));
}

TEST(TolvoMessages, EachFailureSaysWhatAndWhy) {
  TempDir dir;
  PrepareFiles(dir);
  struct Case {
    std::vector<std::string> arguments;
    std::string wrapper;
    std::string message;
  };
  const Case cases[] = {
      {{"missing.wav", "out.mp3"},
       "",
       "tolvo: missing.wav: cannot open the input file: no such file or directory\n"},
      {{"folder.wav", "out.mp3"}, "", "tolvo: folder.wav: is a directory\n"},
      {{"empty.wav", "out.mp3"}, "", "tolvo: empty.wav: not a WAV file: it is empty\n"},
      {{"text.wav", "out.mp3"}, "", "tolvo: text.wav: not a WAV file: starts with 'xxxx'\n"},
      {{"tagged.wav", "out.mp3"},
       "",
       "tolvo: tagged.wav: not a WAV file: starts with 'ID3\\x03'\n"},
      {{"secret.wav", "out.mp3"},
       kAsNobody,
       "tolvo: secret.wav: cannot open the input file: permission denied\n"},
      {{"in.wav", "outdir"}, "", "tolvo: outdir: is a directory\n"},
      // A pipe by name would leave the encoder waiting for its other end.
      {{"fifo.wav", "out.mp3"},
       "",
       "tolvo: fifo.wav: is not a regular file (a pipe or a device); give a pipe as standard "
       "input, '-'\n"},
      {{"in.wav", "fifo.mp3"},
       "",
       "tolvo: fifo.mp3: is not a regular file (a pipe or a device); write to a pipe as standard "
       "output, '-'\n"},
      {{"in.wav", "plain/out.mp3"}, "", "tolvo: plain/out.mp3: plain is not a directory\n"},
      {{"in.wav", "ro/out.mp3"},
       kAsNobody,
       "tolvo: ro/out.mp3: cannot create the output file: permission denied\n"},
      {{"in.wav", "ro/sub/out.mp3"},
       kAsNobody,
       "tolvo: ro/sub/out.mp3: cannot create the folder ro/sub: permission denied\n"},
      {{"in.wav", "/x.mp3"},
       kAsNobody,
       "tolvo: /x.mp3: cannot create the output file: permission denied\n"},
      {{"low.wav", "out.mp3", "--bitrate", "128"},
       "",
       "tolvo: low.wav: 8000 Hz audio carries at most 64 kbit/s, not 128; use --bitrate 64 or "
       "lower\n"},
      {{"low.wav", "out.mp3", "--vbr", "--vbr-max", "96"},
       "",
       "tolvo: low.wav: 8000 Hz audio carries at most 64 kbit/s, not 96; use --vbr-max 64 or "
       "lower\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"-q", "encode"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    ToolRun run = RunTolvo(dir, arguments, c.wrapper);
    EXPECT_EQ(run.status, 1) << c.message;
    EXPECT_EQ(run.err, c.message);
    EXPECT_FALSE(Exists(dir / "out.mp3")) << c.message;
  }
  // A batch worker refuses a pipe the same way, and the batch goes on.
  ToolRun batch = RunTolvo(dir, {"-q", "encode", "-j", "2", "fifo.wav", "in.wav", "-o", "out"});
  EXPECT_EQ(batch.status, 1);
  EXPECT_EQ(batch.err,
            "tolvo: fifo.wav: is not a regular file (a pipe or a device); give a pipe as "
            "standard input, '-'\n");
  EXPECT_NEAR(DecodedSeconds(dir / "out/in.mp3"), 1.0, 0.05);
  // Not one trial file of the diagnosis is left anywhere.
  for (const std::string& folder : {dir.path(), dir / "ro", dir / "outdir"}) {
    for (const std::string& name : ListFolder(folder)) {
      EXPECT_EQ(name.find(".tolvo-trial-"), std::string::npos) << folder << "/" << name;
    }
  }
}

TEST(TolvoMessages, AFullDiskIsNamedAndTheFileGoes) {
  TempDir dir;
  WriteNoiseWav(dir / "long.wav", 10);
  // A file size limit of 64 KiB: the encoder's writes beyond it fail as they would on a full disk.
  ToolRun run = RunToolShell(dir, "ulimit -f 64; trap '' XFSZ; tolvo -q encode long.wav out.mp3");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tolvo: out.mp3: writing the output file failed: file too large\n");
  EXPECT_FALSE(Exists(dir / "out.mp3"));  // a part of a stream that tolvo itself began
}

TEST(TolvoMessages, ARateTheEncoderCannotCarryGetsADefaultThatItCan) {
  TempDir dir;
  WriteWav(dir / "low.wav", {.channels = 1, .sampleRate = 8000, .frames = 8000});
  WriteWav(dir / "mid.wav", {.channels = 2, .sampleRate = 22050, .frames = 22050});
  struct Case {
    std::string input;
    std::vector<std::string> options;
    std::string stream;
  };
  const Case cases[] = {
      {"low.wav", {}, "MPEG 2.5 L III cbr64 8000 mono"},
      {"mid.wav", {}, "MPEG 2.0 L III cbr128 22050 j-s"},
      {"mid.wav", {"--bitrate", "160"}, "MPEG 2.0 L III cbr160 22050 j-s"},
      {"low.wav", {"--vbr"}, "MPEG 2.5 L III vbr 8000 mono"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"encode", c.input, "out.mp3"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    ToolRun run = RunTolvo(dir, arguments);
    ASSERT_EQ(run.status, 0) << c.stream << "\n" << run.err;
    EXPECT_EQ(Mp3StreamInfo(dir / "out.mp3"), c.stream);
    EXPECT_NEAR(DecodedSeconds(dir / "out.mp3"), 1.0, 0.05) << c.stream;
  }
}

TEST(TolvoMessages, ARefusedPriorityIsReportedAndTheEncodeGoesOn) {
  TempDir dir;
  PrepareFiles(dir);
  fs::permissions(dir / "outdir", fs::perms::all);
  // The encode keeps the niceness the tests run at (0 unless they were started under nice).
  std::string niceness;
  ASSERT_EQ(RunCommand("nice", &niceness), 0);
  niceness.erase(niceness.find_last_not_of('\n') + 1);
  ToolRun run = RunTolvo(dir, {"encode", "in.wav", "outdir/out.mp3", "--priority", "3"}, kAsNobody);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("tolvo: warning: --priority 3 (nice -10) was refused: permission denied "
                         "(a higher priority needs root or CAP_SYS_NICE); the encode runs at "
                         "nice " +
                         niceness + "\n"),
            std::string::npos)
      << run.err;
  EXPECT_NEAR(DecodedSeconds(dir / "outdir/out.mp3"), 1.0, 0.05);
  // As root the same request holds, unless this machine withholds the privilege from root too;
  // either way tolvo tells the truth.
  bool rootMayRaise =
      RunCommand("nice -n -10 true 2>/dev/null") == 0 &&
      RunCommand("test \"$(nice -n -10 nice)\" = " + std::to_string(std::stoi(niceness) - 10)) == 0;
  ToolRun root = RunTolvo(dir, {"encode", "in.wav", "outdir/out.mp3", "--priority", "3"});
  EXPECT_EQ(root.status, 0);
  EXPECT_EQ(root.err.find("warning: --priority 3"), rootMayRaise ? std::string::npos : 0u)
      << root.err;
}

TEST(TolvoMessages, TagCommandsAddTheReasonTheFileRefusesThem) {
  TempDir dir;
  PrepareFiles(dir);
  // In a folder "nobody" cannot write either, so no way around the file's own mode is open.
  ASSERT_EQ(RunTolvo(dir, {"-q", "encode", "in.wav", "ro/song.mp3", "--title", "Mine"}).status, 0);
  Bytes before = ReadFile(dir / "ro/song.mp3");
  struct Case {
    std::vector<std::string> arguments;
    fs::perms mode;
  };
  const fs::perms readable =
      fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read;
  const Case cases[] = {
      {{"tag", "set", "ro/song.mp3", "--title", "Theirs"}, readable},
      {{"tag", "show", "ro/song.mp3"}, fs::perms::owner_read | fs::perms::owner_write},
  };
  for (const Case& c : cases) {
    fs::permissions(dir / "ro/song.mp3", c.mode);
    ToolRun run = RunTolvo(dir, c.arguments, kAsNobody);
    EXPECT_EQ(run.status, 1) << c.arguments[1];
    EXPECT_TRUE(run.err.starts_with("tolvo: ro/song.mp3: ")) << run.err;
    EXPECT_TRUE(run.err.ends_with(": permission denied\n")) << run.err;
    EXPECT_EQ(ReadFile(dir / "ro/song.mp3"), before) << c.arguments[1];
  }
}

TEST(TolvoMessages, AnUnwritableRegistrySaysWhereAndWhy) {
  TempDir dir;
  PrepareFiles(dir);
  ToolRun run =
      RunToolShell(dir, "export TOLVO_REGISTRY_FILE=" + ShellQuote(dir / "ro/sub/r.ini") + "\n" +
                            kAsNobody + " " + ShellQuote(TolvoPath()) + " register");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tolvo: " + dir.path() + "/ro/sub/r.ini: cannot create the folder " +
                         dir.path() + "/ro/sub: permission denied\n");
}

}  // namespace
}  // namespace tolvo::test
