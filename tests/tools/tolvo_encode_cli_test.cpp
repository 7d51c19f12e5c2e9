// "tolvo encode" as a user runs it: with and without a terminal, interrupted with Ctrl-C, and
// every kind of bad input with its message and exit status; --help and --version.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tolvo_cli.h"

namespace tolvo::test {
namespace {

namespace fs = std::filesystem;

WavFormat Seconds(int seconds) {
  WavFormat wavFormat;
  wavFormat.frames = int64_t{44100} * seconds;
  return wavFormat;
}

TEST(TolvoProgram, VersionHelpAndUnknownCommands) {
  TempDir dir;
  ToolRun version = RunTolvo(dir, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tolvo 1.3.0\n");

  for (std::vector<std::string> args :
       std::vector<std::vector<std::string>>{{"--help"},
                                             {"encode", "--help"},
                                             {"tag", "--help"},
                                             {"tag", "show", "--help"},
                                             {"tag", "set", "--help"},
                                             {"tag", "remove", "--help"},
                                             {"genres", "--help"},
                                             {"about", "--help"},
                                             {"register", "--help"},
                                             {"unregister", "--help"}}) {
    ToolRun help = RunTolvo(dir, args);
    EXPECT_EQ(help.status, 0) << args[0];
    EXPECT_NE(help.out.find("Usage: tolvo"), std::string::npos) << args[0];
    EXPECT_NE(help.out.find("Exit status:"), std::string::npos) << args[0];
    EXPECT_NE(help.out.find("130"), std::string::npos) << args[0];
  }
  ToolRun none = RunTolvo(dir, {});
  EXPECT_EQ(none.status, 2);
  ToolRun unknown = RunTolvo(dir, {"transcode"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err, "tolvo: unknown command 'transcode'\nTry 'tolvo --help'.\n");
}

TEST(TolvoEncode, WithoutATerminalPrintsPlainLinesAndASummary) {
  TempDir dir;
  WriteWav(dir / "in.wav", Seconds(3));
  ToolRun run =
      RunTolvo(dir, {"encode", "in.wav", "out.mp3", "--bitrate", "192", "--mode", "stereo"});
  ASSERT_EQ(run.status, 0) << run.err;
  // Status goes to standard error; standard output is kept for data.
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("\nencoded out.mp3: 3.0 s of audio in "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("× real time"), std::string::npos);
  EXPECT_EQ(run.err.find('\r'), std::string::npos);
  EXPECT_EQ(run.err.find("\x1b["), std::string::npos);
  EXPECT_NE(run.err.find("in.wav: 100%"), std::string::npos) << run.err;
  EXPECT_NEAR(DecodedSeconds(dir / "out.mp3"), 3.0, 0.05);
}

TEST(TolvoEncode, OnATerminalRedrawsABarInPlace) {
  TempDir dir;
  WriteWav(dir / "in.wav", Seconds(20));
  // script gives tolvo a pseudo-terminal and passes its exit status on.
  std::string output;
  int status =
      RunCommand("cd " + ShellQuote(dir.path()) + " && COLUMNS=100 script -qec " +
                     ShellQuote(ShellQuote(TolvoPath()) + " encode in.wav out.mp3 --quality high") +
                     " /dev/null",
                 &output);
  ASSERT_EQ(status, 0) << output;
  EXPECT_NE(output.find("\rin.wav ["), std::string::npos) << output;
  EXPECT_NE(output.find("\x1b[K"), std::string::npos);
  EXPECT_NE(output.find("#]  100%"), std::string::npos) << output;
  EXPECT_NE(output.find("× real time"), std::string::npos);
  EXPECT_NE(output.find("encoded out.mp3: 20.0 s of audio"), std::string::npos);
  EXPECT_NEAR(DecodedSeconds(dir / "out.mp3"), 20.0, 0.05);
}

TEST(TolvoEncode, CtrlCCancelsAndLeavesAShorterValidMp3) {
  TempDir dir;
  WriteNoiseWav(dir / "long.wav", 180);
  // Start tolvo in the background, wait for its first progress line, then press "Ctrl-C".
  std::string script =
      "cd " + ShellQuote(dir.path()) + " || exit 1; " + ShellQuote(TolvoPath()) +
      " encode long.wav cut.mp3 --quality high >out.txt 2>err.txt & pid=$!; "
      "for i in $(seq 300); do grep -q '%' err.txt 2>/dev/null && break; sleep 0.05; done; "
      "kill -INT $pid; wait $pid; echo $? >status.txt";
  RunCommand(script);
  Bytes status = ReadFile(dir / "status.txt");
  Bytes err = ReadFile(dir / "err.txt");
  std::string errText(err.begin(), err.end());
  EXPECT_EQ(std::string(status.begin(), status.end()), "130\n") << errText;

  std::smatch match;
  std::regex cancelled("tolvo: cancelled; cut\\.mp3 holds the first ([0-9]+\\.[0-9]) s\n$");
  ASSERT_TRUE(std::regex_search(errText, match, cancelled)) << errText;
  double kept = std::stod(match[1]);
  EXPECT_GT(kept, 0.0);
  EXPECT_LT(kept, 170.0);
  // The file ends its stream properly: a decoder plays exactly what tolvo reported.
  EXPECT_NEAR(DecodedSeconds(dir / "cut.mp3"), kept, 0.15);
}

TEST(TolvoEncode, TheSameFileUnderAnotherNameIsRefused) {
  TempDir dir;
  WriteWav(dir / "in.wav", Seconds(1));
  // Another name for the same file would be truncated by the encode.
  Bytes before = ReadFile(dir / "in.wav");
  ToolRun same = RunTolvo(dir, {"encode", "in.wav", "./in.wav"});
  EXPECT_EQ(same.status, 1);
  EXPECT_EQ(same.err, "tolvo: in.wav: The input file is the same as the output\n");
  ToolRun sameText = RunTolvo(dir, {"encode", "in.wav", "in.wav"});
  EXPECT_EQ(sameText.status, 1);
  EXPECT_EQ(ReadFile(dir / "in.wav"), before);
}

TEST(TolvoEncode, BadOptionValuesAreRefusedBeforeAnyFileIsTouched) {
  TempDir dir;
  WriteWav(dir / "in.wav", Seconds(1));
  struct Case {
    std::vector<std::string> options;
    std::string message;
  };
  const Case cases[] = {
      {{"--bitrate", "100"},
       "--bitrate must be one of 32 40 48 56 64 80 96 112 128 160 192 224 256 320, not '100'"},
      {{"--bitrate", "fast"},
       "--bitrate must be one of 32 40 48 56 64 80 96 112 128 160 192 224 256 320, not 'fast'"},
      {{"--mode", "Mono"}, "--mode must be stereo|joint|dual|mono, not 'Mono'"},
      {{"--quality", "best"}, "--quality must be normal|low|high, not 'best'"},
      {{"--priority", "4"}, "--priority must be 1, 2 or 3, not '4'"},
      {{"--vbr-max", "256"}, "--vbr-max needs --vbr"},
      {{"--fast"}, "unknown option '--fast'"},
      {{"--bitrate"}, "option '--bitrate' wants a value"},
      {{"--threads", "0"}, "--threads must be a number from 1 to 64, not '0'"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"encode", "in.wav", "out.mp3"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    ToolRun run = RunTolvo(dir, args);
    EXPECT_EQ(run.status, 2) << c.message;
    EXPECT_EQ(run.err, "tolvo encode: " + c.message + "\nTry 'tolvo encode --help'.\n");
    EXPECT_FALSE(Exists(dir / "out.mp3")) << c.message;
  }
  ToolRun oneFile = RunTolvo(dir, {"encode", "in.wav"});
  EXPECT_EQ(oneFile.status, 2);
  EXPECT_EQ(oneFile.err, "tolvo encode: wants IN.wav OUT.mp3\nTry 'tolvo encode --help'.\n");
}

// With one thread the encode is libmp3lame's sequential one: byte for byte what lame makes with
// the same settings. With more, the stream is made in blocks and still decodes to the same length.
TEST(TolvoEncode, OneThreadIsLameByteForByteAndMoreKeepTheLength) {
  TempDir dir;
  WriteWav(dir / "in.wav", Seconds(12));
  ToolRun one = RunTolvo(dir, {"encode", "in.wav", "one.mp3", "--threads", "1"});
  ASSERT_EQ(one.status, 0) << one.err;
  ASSERT_EQ(RunCommand("lame --quiet -b 128 -q 5 -m j --noreplaygain --nores " +
                       ShellQuote(dir / "in.wav") + " " + ShellQuote(dir / "lame.mp3")),
            0);
  EXPECT_EQ(ReadFile(dir / "one.mp3"), ReadFile(dir / "lame.mp3"));
  ToolRun three = RunTolvo(dir, {"encode", "in.wav", "three.mp3", "--threads", "3"});
  ASSERT_EQ(three.status, 0) << three.err;
  EXPECT_EQ(SizeOf(dir / "three.mp3"), SizeOf(dir / "one.mp3"));
  EXPECT_NE(ReadFile(dir / "three.mp3"), ReadFile(dir / "one.mp3"));  // its own info frame
  EXPECT_NEAR(DecodedSeconds(dir / "three.mp3"), 12.0, 0.001);
}

TEST(TolvoEncode, MonoVbrAtIdlePriorityEncodes) {
  TempDir dir;
  WriteWav(dir / "in.wav", Seconds(2));
  ToolRun run = RunTolvo(dir, {"encode", "in.wav", "sub/dir/out.mp3", "--mode", "mono", "--vbr",
                               "--vbr-max", "256", "--quality", "low", "--priority", "1"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NEAR(DecodedSeconds(dir / "sub/dir/out.mp3"), 2.0, 0.05);
  std::string info;
  RunCommand("mpg123 -v -t " + ShellQuote(dir / "sub/dir/out.mp3") + " 2>&1", &info);
  EXPECT_NE(info.find("MPEG 1.0 L III vbr 44100 mono"), std::string::npos) << info;
}

}  // namespace
}  // namespace tolvo::test
