// What "tolvo tag set" asks of the engine: a tolvo with its control and libraries in a folder of
// its own, where a relay in the engine's place logs every command before the real engine runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>

#include "tolvo/engine/interface1.h"
#include "tolvo_cli.h"

namespace tolvo::test {
namespace {

class TolvoTagCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file :
         {"tolvo", "libtolvomp3enc130.so", "libtolvoruntime.so", "libtolvomp3enc1.so", "snd"}) {
      ASSERT_EQ(RunCommand("cp " + ShellQuote(OutDir() + "/" + file) + " " + ShellQuote(bin_)), 0)
          << file;
    }
    ASSERT_EQ(
        RunCommand("cp " + ShellQuote(OutDir() + "/libtolvomp3enc2.so") + " " +
                   ShellQuote(bin_ + "/real-engine.so") + " && cp " +
                   ShellQuote(TOLVO_RELAY_ENGINE) + " " + ShellQuote(bin_ + "/libtolvomp3enc2.so")),
        0);
    WavFormat wavFormat;
    wavFormat.frames = 44100;
    WriteWav(dir_ / "in.wav", wavFormat);
    ASSERT_EQ(RunTolvo(dir_, {"encode", "in.wav", "song.mp3"}).status, 0);
  }
  // Runs the tolvo of the folder and counts the commands the engine received, by name.
  std::map<std::string, int> Commands(const std::string& arguments) {
    RunCommand("rm -f " + ShellQuote(bin_ + "/commands.log"));
    const ToolRun run = RunToolShell(dir_, ShellQuote(bin_ + "/tolvo") + " " + arguments);
    EXPECT_EQ(run.status, 0) << arguments << ": " << run.err;
    std::map<std::string, int> counts;
    std::istringstream log(ReadText(bin_ + "/commands.log"));
    for (std::string line; std::getline(log, line);) ++counts[line];
    return counts;
  }
  static int Total(const std::map<std::string, int>& counts) {
    int total = 0;
    for (const auto& [name, count] : counts) total += count;
    return total;
  }
  static std::string ReadText(const std::string& path) {
    const Bytes bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
  }

  TempDir dir_;
  std::string bin_ = [this] {
    const std::string bin = dir_ / "bin";
    RunCommand("mkdir " + ShellQuote(bin));
    return bin;
  }();
};

TEST_F(TolvoTagCalls, SetAsksForTheGenreListOnlyForAGenreAndThenOnce) {
  namespace commands = engine::commands;
  // A title into a file without tags: read both tags, write both, read ID3v1 back for the
  // warnings about what it could not hold; no genre list.
  std::map<std::string, int> counts = Commands("tag set --title New song.mp3");
  EXPECT_EQ(counts.count(commands::kGenerateGenre.text()), 0u);
  EXPECT_EQ(counts[commands::kSetId3v1.text()], 1);
  EXPECT_EQ(counts[commands::kSetId3v2.text()], 1);
  EXPECT_LE(Total(counts), 40);

  // The same file, now with both tags: each ID3v2 field is read once and written once.
  counts = Commands("tag set --artist Someone song.mp3");
  EXPECT_EQ(counts.count(commands::kGenerateGenre.text()), 0u);
  for (const commands::Id3v2FieldCommands& field : commands::kId3v2Fields) {
    EXPECT_EQ(counts[field.get.text()], 1) << field.get.text();
    EXPECT_EQ(counts[field.set.text()], 1) << field.set.text();
  }
  EXPECT_LE(Total(counts), 70);

  // A genre by name needs the list: every name once.
  counts = Commands("tag set --genre Rock song.mp3");
  EXPECT_EQ(counts[commands::kGenerateGenre.text()], engine::kGenreCount);
  EXPECT_LE(Total(counts) - engine::kGenreCount, 70);
}

}  // namespace
}  // namespace tolvo::test
