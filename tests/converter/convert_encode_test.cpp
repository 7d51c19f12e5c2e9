// 8-bit input encoded end to end: a host process loads the libraries, the engine runs snd, the
// MP3 decodes to the input's length, and no converted copy is left in the temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using tolvo::test::TempDir;

struct Encode {
  std::string input;
  std::string output;
  int bitrate = 128;
  std::string programFolder = tolvo::test::OutDir();
};

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The shell command of one host process whose temporary folder is tempFolder.
std::string HostCommand(const Encode& encode, const std::string& tempFolder) {
  return "TMPDIR=" + Quote(tempFolder) + " " +
         Quote(std::string(TOLVO_TEST_BIN_DIR) + "/encode_once") + " " +
         Quote(tolvo::test::OutDir()) + " " + Quote(encode.programFolder) + " " +
         Quote(encode.input) + " " + Quote(encode.output) + " " + std::to_string(encode.bitrate);
}

// The job result the host printed, or -1.
int RunHost(const Encode& encode, const std::string& tempFolder) {
  std::string out;
  if (tolvo::test::RunCommand(HostCommand(encode, tempFolder), &out) != 0) return -1;
  if (out.rfind("result=", 0) != 0) return -1;
  return std::stoi(out.substr(7));
}

std::vector<std::string> ConvertedCopiesIn(const std::string& folder) {
  std::vector<std::string> copies;
  for (const std::string& name : tolvo::test::ListFolder(folder)) {
    if (name.find("$$$tolvosoftware$$$") != std::string::npos) copies.push_back(name);
  }
  return copies;
}

class ConvertEncode : public ::testing::Test {
 protected:
  Encode EightBit(const std::string& name, int channels, int rate, double seconds) {
    Encode encode;
    encode.input = work_ / (name + ".wav");
    encode.output = work_ / (name + ".mp3");
    tolvo::test::WriteWav(encode.input, {.channels = channels,
                                         .sampleRate = rate,
                                         .bitsPerSample = 8,
                                         .formatTag = 1,
                                         .frames = static_cast<int64_t>(seconds * rate)});
    return encode;
  }

  TempDir work_;
  TempDir tmp_;  // the hosts' temporary folder
};

TEST_F(ConvertEncode, EightBitMonoAndStereoEncodeToTheirFullLength) {
  struct Case {
    int channels, rate;
    double seconds;
  };
  for (const Case c : {Case{1, 22050, 2.0}, Case{2, 44100, 1.5}}) {
    SCOPED_TRACE(std::to_string(c.channels) + " channels at " + std::to_string(c.rate));
    const Encode encode =
        EightBit("in" + std::to_string(c.channels), c.channels, c.rate, c.seconds);
    EXPECT_EQ(RunHost(encode, tmp_.path()), 0);
    EXPECT_NEAR(tolvo::test::DecodedSeconds(encode.output), c.seconds, 0.01);
    EXPECT_EQ(ConvertedCopiesIn(tmp_.path()), std::vector<std::string>{});
    EXPECT_EQ(tolvo::test::SizeOf(encode.input),
              44 + static_cast<int64_t>(c.seconds * c.rate) * c.channels);
  }
}

TEST_F(ConvertEncode, CopyIsGoneAfterALaterFailure) {
  Encode encode = EightBit("badrate", 1, 22050, 0.5);
  encode.bitrate = 100;
  EXPECT_EQ(RunHost(encode, tmp_.path()), 108);
  EXPECT_EQ(ConvertedCopiesIn(tmp_.path()), std::vector<std::string>{});
  EXPECT_EQ(tolvo::test::SizeOf(encode.output), 0);  // created, then refused
}

TEST_F(ConvertEncode, NoUsableConverterIsAnInvalidWaveFile) {
  Encode missing = EightBit("nosnd", 1, 22050, 0.5);
  missing.programFolder = work_.path();  // holds no snd
  EXPECT_EQ(RunHost(missing, tmp_.path()), 102);

  Encode silent = EightBit("silent", 1, 22050, 0.5);
  silent.programFolder = work_ / "silent-snd";
  std::filesystem::create_directory(silent.programFolder);
  const std::string script = "#!/bin/sh\necho pretending\nexit 0\n";
  tolvo::test::WriteFile(silent.programFolder + "/snd",
                         tolvo::test::Bytes(script.begin(), script.end()));
  std::filesystem::permissions(silent.programFolder + "/snd", std::filesystem::perms::owner_all);
  EXPECT_EQ(RunHost(silent, tmp_.path()), 102);
  EXPECT_FALSE(tolvo::test::Exists(silent.output));
  EXPECT_EQ(ConvertedCopiesIn(tmp_.path()), std::vector<std::string>{});
}

TEST_F(ConvertEncode, TwoProcessesConvertInTheSameTemporaryFolderAtOnce) {
  const Encode first = EightBit("first", 2, 44100, 15.0);
  const Encode second = EightBit("second", 2, 22050, 15.0);
  // Both hosts run at the same time and share one temporary folder.
  const std::string both = "(" + HostCommand(first, tmp_.path()) + " > " +
                           Quote(work_ / "first.out") + ") & (" + HostCommand(second, tmp_.path()) +
                           " > " + Quote(work_ / "second.out") + ") & wait";
  ASSERT_EQ(tolvo::test::RunCommand(both), 0);
  for (const std::string name : {"first", "second"}) {
    const tolvo::test::Bytes out = tolvo::test::ReadFile(work_ / (name + ".out"));
    EXPECT_EQ(std::string(out.begin(), out.end()), "result=0\n") << name;
  }
  EXPECT_NEAR(tolvo::test::DecodedSeconds(first.output), 15.0, 0.01);
  EXPECT_NEAR(tolvo::test::DecodedSeconds(second.output), 15.0, 0.01);
  EXPECT_EQ(ConvertedCopiesIn(tmp_.path()), std::vector<std::string>{});
}

}  // namespace
