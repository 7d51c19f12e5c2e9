// "tolvo encode -j N IN... --out-dir DIR": worker processes, the summary, and its exit status.
#include <gtest/gtest.h>

#include <algorithm>

#include "tolvo_cli.h"

namespace tolvo::test {
namespace {

TEST(TolvoBatch, EightFilesTwoAtATimeAllDecode) {
  TempDir dir;
  std::vector<std::string> args = {"encode", "-j", "2"};
  for (int i = 1; i <= 8; ++i) {
    WavFormat wavFormat;
    wavFormat.frames = int64_t{22050} * i;  // i half-seconds, so each result can be told apart
    std::string name = "track" + std::to_string(i) + ".wav";
    WriteWav(dir / name, wavFormat);
    args.push_back(name);
  }
  args.insert(args.end(), {"--out-dir", "mp3s", "--bitrate", "160", "-v"});
  ToolRun run = RunTolvo(dir, args);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");  // status goes to standard error only
  EXPECT_NE(run.err.find("\n8 files: 8 encoded, 0 failed; 18.0 s of audio in "), std::string::npos)
      << run.err;
  for (int i = 1; i <= 8; ++i) {
    std::string mp3 = dir / ("mp3s/track" + std::to_string(i) + ".mp3");
    EXPECT_NEAR(DecodedSeconds(mp3), 0.5 * i, 0.05) << mp3;
    EXPECT_NE(run.err.find("encoded mp3s/track" + std::to_string(i) + ".mp3\n"), std::string::npos);
  }
  EXPECT_NE(run.err.find("8/8 files: 100%"), std::string::npos) << run.err;
  // The longest files go first, so that short ones end the batch.
  std::vector<size_t> said;
  for (int i = 8; i >= 1; --i) {
    said.push_back(run.err.find("tolvo: encoding track" + std::to_string(i) + ".wav to mp3s/"));
  }
  EXPECT_EQ(std::count(said.begin(), said.end(), std::string::npos), 0) << run.err;
  EXPECT_TRUE(std::is_sorted(said.begin(), said.end())) << run.err;
}

TEST(TolvoBatch, OneBadInputFailsTheBatchButNotTheOthers) {
  TempDir dir;
  WavFormat wavFormat;
  wavFormat.frames = 22050;
  WriteWav(dir / "good1.wav", wavFormat);
  WriteWav(dir / "good2.wav", wavFormat);
  WriteFile(dir / "broken.wav", Bytes(500, 'x'));
  ToolRun run = RunTolvo(dir, {"encode", "-j", "2", "good1.wav", "broken.wav", "missing.wav",
                               "good2.wav", "--out-dir", "out"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("tolvo: broken.wav: not a WAV file: starts with 'xxxx'\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("tolvo: missing.wav: cannot open the input file: no such file or "
                         "directory\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("\n4 files: 2 encoded, 2 failed; "), std::string::npos) << run.err;
  EXPECT_GT(DecodedSeconds(dir / "out/good1.mp3"), 0.4);
  EXPECT_GT(DecodedSeconds(dir / "out/good2.mp3"), 0.4);
  EXPECT_FALSE(Exists(dir / "out/broken.mp3"));
}

// A worker encodes file after file; when one is interrupted on its own or killed in the middle of
// a file, that file alone is lost and a new worker takes the rest, a name with a line break in it
// included. The partial output goes, unless a killed worker left a file that was there before
// (it may not have begun it).
TEST(TolvoBatch, AWorkerInterruptedOrKilledLosesOnlyItsOwnFile) {
  struct Case {
    const char* signal;
    bool outputExisted;
    int status;
    const char* lost;  // what is said of long.wav
    const char* summary;
  };
  for (const Case& c : {
           Case{"INT", true, 130, "tolvo: long.wav: cancelled; removed the partial out/long.mp3\n",
                "\n3 files: 2 encoded, 0 failed, 1 cancelled, 0 not started; "},
           Case{"KILL", false, 1,
                "tolvo: long.wav: the worker ended with status 137; removed the partial "
                "out/long.mp3\n",
                "\n3 files: 2 encoded, 1 failed; "},
           Case{"KILL", true, 1,
                "tolvo: long.wav: the worker ended with status 137; out/long.mp3 may be "
                "incomplete\n",
                "\n3 files: 2 encoded, 1 failed; "},
       }) {
    SCOPED_TRACE(std::string(c.signal) + (c.outputExisted ? ", output there before" : ""));
    TempDir dir;
    WriteNoiseWav(dir / "long.wav", 120);
    WavFormat wavFormat;
    wavFormat.frames = 22050;
    WriteWav(dir / "odd\nname.wav", wavFormat);
    WriteWav(dir / "short.wav", wavFormat);
    if (c.outputExisted) {
      ASSERT_EQ(RunCommand("mkdir " + ShellQuote(dir / "out") + " && : >" +
                           ShellQuote(dir / "out/long.mp3")),
                0);
    }
    // The background job is a subshell running tolvo; the worker is tolvo's child. It is
    // signalled once it has begun writing the long file.
    ToolRun run = RunToolShell(
        dir,
        "tolvo encode -j 1 --threads 1 long.wav $'odd\\nname.wav' short.wav --out-dir out & "
        "for i in $(seq 2000); do [ -s out/long.mp3 ] && break; sleep 0.01; done; "
        "pkill -" +
            std::string(c.signal) + " -P $(pgrep -P $!); wait $!; echo \"status $?\"");
    EXPECT_NE(run.out.find("status " + std::to_string(c.status) + "\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find(c.lost), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.summary), std::string::npos) << run.err;
    EXPECT_EQ(Exists(dir / "out/long.mp3"), c.outputExisted && c.status == 1);
    EXPECT_NEAR(DecodedSeconds(dir / "out/odd\nname.mp3"), 0.5, 0.05);
    EXPECT_NEAR(DecodedSeconds(dir / "out/short.mp3"), 0.5, 0.05);
  }
}

TEST(TolvoBatch, CommandLineMistakes) {
  TempDir dir;
  WriteWav(dir / "a.wav", WavFormat{});
  ToolRun clash = RunTolvo(dir, {"encode", "a.wav", "./a.wav", "--out-dir", "out"});
  EXPECT_EQ(clash.status, 2);
  EXPECT_NE(clash.err.find("two inputs would both be encoded to out/a.mp3"), std::string::npos);
  ToolRun zero = RunTolvo(dir, {"encode", "-j", "0", "a.wav", "--out-dir", "out"});
  EXPECT_EQ(zero.status, 2);
  EXPECT_NE(zero.err.find("-j must be a number from 1 to 64, not '0'"), std::string::npos);
  ToolRun noDir = RunTolvo(dir, {"encode", "-j", "2", "a.wav"});
  EXPECT_EQ(noDir.status, 2);
  ToolRun threeNoDir = RunTolvo(dir, {"encode", "a.wav", "a.wav", "a.wav"});
  EXPECT_EQ(threeNoDir.status, 2);
  EXPECT_FALSE(Exists(dir / "out"));
}

}  // namespace
}  // namespace tolvo::test
