// "tolvo encode" in pipelines: "-" and /dev/stdout as names, standard input that is a pipe or a
// file, standard output that is a pipe, a file or full, readers that stop early. Every MP3 that
// comes out is decoded by mpg123 to the input's length, which shows its info frame is complete.
#include <gtest/gtest.h>

#include "tolvo_cli.h"

namespace tolvo::test {
namespace {

// The private folders tolvo makes for standard streams live in TMPDIR; none may be left behind.
std::string WithPrivateTemp(const TempDir& dir, const std::string& line) {
  return "mkdir -p tmp && export TMPDIR=" + ShellQuote(dir / "tmp") + "\n" + line;
}

TEST(TolvoPipes, EveryWayInAndOutGivesAWholeMp3) {
  TempDir dir;
  WriteWav(dir / "in.wav", {.frames = 44100 * 2});
  WriteWav(dir / "in8.wav",
           {.channels = 1, .sampleRate = 22050, .bitsPerSample = 8, .frames = 22050 * 3});
  struct Case {
    std::string line;
    double seconds;
    std::string stream;  // what mpg123 says of the result
  };
  const Case cases[] = {
      {"tolvo encode - out.mp3 < in.wav", 2.0, "MPEG 1.0 L III cbr128 44100 j-s"},
      {"cat in.wav | tolvo encode - out.mp3", 2.0, "MPEG 1.0 L III cbr128 44100 j-s"},
      {"tolvo encode in.wav - > out.mp3", 2.0, "MPEG 1.0 L III cbr128 44100 j-s"},
      {"tolvo encode in.wav - | cat > out.mp3", 2.0, "MPEG 1.0 L III cbr128 44100 j-s"},
      {"tolvo encode in.wav /dev/stdout | cat > out.mp3", 2.0, "MPEG 1.0 L III cbr128 44100 j-s"},
      {"cat in.wav | tolvo encode - - --bitrate 192 | cat > out.mp3", 2.0,
       "MPEG 1.0 L III cbr192 44100 j-s"},
      // 8-bit input goes through the converter: from a pipe too.
      {"cat in8.wav | tolvo encode - - | cat > out.mp3", 3.0, "MPEG 2.0 L III cbr128 22050 mono"},
  };
  for (const Case& c : cases) {
    ToolRun run = RunToolShell(dir, WithPrivateTemp(dir, c.line), 60);
    ASSERT_EQ(run.status, 0) << c.line << "\n" << run.err;
    EXPECT_NEAR(DecodedSeconds(dir / "out.mp3"), c.seconds, 0.05) << c.line;
    EXPECT_EQ(Mp3StreamInfo(dir / "out.mp3"), c.stream) << c.line;
    // Standard output held the MP3 and nothing else; the status line went to standard error.
    EXPECT_EQ(run.out, "") << c.line;
    EXPECT_NE(run.err.find("encoded "), std::string::npos) << c.line << "\n" << run.err;
    EXPECT_TRUE(ListFolder(dir / "tmp").empty()) << c.line;
    EXPECT_FALSE(Exists(dir / "-")) << c.line;
    RunCommand("rm -f " + ShellQuote(dir / "out.mp3"));
  }
}

TEST(TolvoPipes, VerboseSaysWhereTheFilesAreMadeAndQuietSaysNothing) {
  TempDir dir;
  WriteWav(dir / "in.wav", {.frames = 44100});
  ToolRun verbose =
      RunToolShell(dir, WithPrivateTemp(dir, "cat in.wav | tolvo -v encode - - > out.mp3"), 60);
  ASSERT_EQ(verbose.status, 0) << verbose.err;
  EXPECT_NE(verbose.err.find("tolvo: copied 176444 bytes of standard input to " + dir.path() +
                             "/tmp/tolvo-stream-"),
            std::string::npos)
      << verbose.err;
  EXPECT_NE(verbose.err.find("standard output gets the finished file, info frame included"),
            std::string::npos)
      << verbose.err;
  EXPECT_NE(verbose.err.find("encoded standard output: 1.0 s of audio"), std::string::npos);

  ToolRun quiet =
      RunToolShell(dir, WithPrivateTemp(dir, "tolvo encode -q - - < in.wav > out.mp3"), 60);
  ASSERT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.err, "");
  EXPECT_NEAR(DecodedSeconds(dir / "out.mp3"), 1.0, 0.05);
}

TEST(TolvoPipes, OutputThatCannotTakeTheDataFailsWithItsReason) {
  TempDir dir;
  WriteWav(dir / "in.wav", {.frames = 44100 * 40});
  struct Case {
    std::string line;
    std::string message;
  };
  const Case cases[] = {
      {"tolvo encode in.wav - > /dev/full",
       "tolvo: standard output: writing standard output failed: no space left on device\n"},
      // The reader stops after a few bytes; tolvo must neither hang nor die without a word.
      {"tolvo encode in.wav - | head -c 100 > /dev/null; exit ${PIPESTATUS[0]}",
       "tolvo: standard output: writing standard output failed: broken pipe\n"},
      {"tolvo genres > /dev/full",
       "tolvo: writing standard output failed: no space left on device\n"},
  };
  for (const Case& c : cases) {
    ToolRun run = RunToolShell(dir,
                               WithPrivateTemp(dir, "tolvo() { command " + ShellQuote(TolvoPath()) +
                                                        " -q \"$@\"; }\n" + c.line),
                               60);
    EXPECT_EQ(run.status, 1) << c.line;
    EXPECT_EQ(run.err, c.message) << c.line;
    EXPECT_TRUE(ListFolder(dir / "tmp").empty()) << c.line;
  }
}

TEST(TolvoPipes, CtrlCWhileStandardInputIsCopiedLeavesNothingBehind) {
  TempDir dir;
  WriteWav(dir / "in.wav", {.frames = 44100});
  // The pipeline gets a process group of its own, as a shell gives a job; Ctrl-C reaches all of
  // it: the writer, which has not finished, and tolvo, which is still copying.
  ToolRun run = RunToolShell(
      dir,
      WithPrivateTemp(dir,
                      "set -m\n"
                      "(cat in.wav; sleep 60) | tolvo encode - out.mp3 2>err.txt &\n"
                      "for i in $(seq 100); do ls tmp | grep -q . && break; sleep 0.05; done\n"
                      "sleep 0.3; kill -INT %1; wait %1; echo $?"),
      60);
  EXPECT_EQ(run.out, "130\n") << run.err;
  Bytes err = ReadFile(dir / "err.txt");
  EXPECT_EQ(std::string(err.begin(), err.end()), "tolvo: cancelled while reading standard input\n");
  EXPECT_TRUE(ListFolder(dir / "tmp").empty());
  EXPECT_FALSE(Exists(dir / "out.mp3"));
}

TEST(TolvoPipes, TerminalsAndBatchesAreNoStreams) {
  TempDir dir;
  WriteWav(dir / "in.wav", {.frames = 4410});
  ToolRun batch = RunTolvo(dir, {"encode", "-j", "2", "-", "--out-dir", "out"});
  EXPECT_EQ(batch.status, 2);
  EXPECT_EQ(batch.err,
            "tolvo encode: a batch reads files and folders, not standard input\n"
            "Try 'tolvo encode --help'.\n");
  // script gives tolvo a terminal as standard input and output.
  std::string output;
  int status =
      RunCommand("cd " + ShellQuote(dir.path()) + " && script -qec " +
                     ShellQuote(ShellQuote(TolvoPath()) + " encode - out.mp3") + " /dev/null",
                 &output);
  EXPECT_EQ(status, 2);
  EXPECT_NE(output.find("standard input is a terminal; pipe a WAV file in"), std::string::npos)
      << output;
  status = RunCommand("cd " + ShellQuote(dir.path()) + " && script -qec " +
                          ShellQuote(ShellQuote(TolvoPath()) + " encode in.wav -") + " /dev/null",
                      &output);
  EXPECT_EQ(status, 2);
  EXPECT_NE(output.find("standard output is a terminal"), std::string::npos) << output;
}

}  // namespace
}  // namespace tolvo::test
