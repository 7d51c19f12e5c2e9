// "tolvo tag", "tolvo genres", "tolvo about" and (un)registration as a user runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tolvo_cli.h"

namespace tolvo::test {
namespace {

namespace fs = std::filesystem;

class TolvoTag : public ::testing::Test {
 protected:
  void SetUp() override {
    WavFormat wavFormat;
    wavFormat.frames = 44100;
    WriteWav(dir_ / "in.wav", wavFormat);
    ToolRun run = RunTolvo(dir_, {"encode", "in.wav", "song.mp3"});
    ASSERT_EQ(run.status, 0) << run.err;
    untagged_ = ReadFile(dir_ / "song.mp3");
  }
  ToolRun Tolvo(const std::vector<std::string>& args) { return RunTolvo(dir_, args); }

  TempDir dir_;
  Bytes untagged_;
};

TEST_F(TolvoTag, SetThenShowBothVersionsKeepsAccents) {
  ToolRun set = Tolvo({"tag",          "set",         "song.mp3",
                       "--title",      "Café Ümlaut", "--artist",
                       "Zoë Ærø",      "--album",     "Señor",
                       "--year",       "1999",        "--track",
                       "7/12",         "--genre",     "pop",
                       "--comment",    "à bientôt",   "--composer",
                       "Dvořák",       "--url",       "https://x.example/",
                       "--encoded-by", "tolvo"});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.out, "song.mp3: ID3v1 and ID3v2 tags written\n");

  ToolRun show = Tolvo({"tag", "show", "song.mp3"});
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_EQ(show.out,
            "song.mp3\n"
            "ID3v1:\n"
            "  Title:            Café Ümlaut\n"
            "  Artist:           Zoë Ærø\n"
            "  Album:            Señor\n"
            "  Year:             1999\n"
            "  Track:            7\n"
            "  Genre:            Pop (13)\n"
            "  Comment:          à bientôt\n"
            "ID3v2:\n"
            "  Title:            Café Ümlaut\n"
            "  Artist:           Zoë Ærø\n"
            "  Album:            Señor\n"
            "  Year:             1999\n"
            "  Track:            7/12\n"
            "  Genre:            Pop\n"
            "  Comment:          à bientôt\n"
            "  Composer:         Dvořák\n"
            "  URL:              https://x.example/\n"
            "  Encoded by:       tolvo\n");
  // Another tagger reads the same ID3v2 frames.
  std::string frames;
  RunCommand("/usr/bin/python3 -c \"import mutagen.id3 as m; t=m.ID3('" + dir_ / "song.mp3" +
                 "'); print(t['TIT2'], t['TPE1'], t['TCON'], t['TRCK'], sep='|')\"",
             &frames);
  EXPECT_EQ(frames, "Café Ümlaut|Zoë Ærø|Pop|7/12\n");
}

TEST_F(TolvoTag, SetMergesIntoTheExistingTagsAndTakesGenreNumbers) {
  ASSERT_EQ(Tolvo({"tag", "set", "song.mp3", "--title", "First", "--genre", "0"}).status, 0);
  ASSERT_EQ(Tolvo({"tag", "set", "song.mp3", "--artist", "Second"}).status, 0);
  ToolRun show = Tolvo({"tag", "show", "song.mp3"});
  EXPECT_NE(show.out.find("ID3v1:\n  Title:            First\n  Artist:           Second\n"),
            std::string::npos)
      << show.out;
  EXPECT_NE(show.out.find("  Genre:            Blues (0)\n"), std::string::npos);
  EXPECT_NE(show.out.find("ID3v2:\n  Title:            First\n  Artist:           Second\n"),
            std::string::npos)
      << show.out;
  EXPECT_NE(show.out.find("  Genre:            Blues\n"), std::string::npos);
}

TEST_F(TolvoTag, OneVersionAtATime) {
  ASSERT_EQ(Tolvo({"tag", "set", "song.mp3", "--v1", "--title", "Only one"}).status, 0);
  ToolRun show = Tolvo({"tag", "show", "song.mp3"});
  EXPECT_NE(show.out.find("  Title:            Only one\n"), std::string::npos);
  EXPECT_NE(show.out.find("ID3v2: none\n"), std::string::npos) << show.out;
  // A genre outside the ID3v1 list is refused for ID3v1, kept as text for ID3v2 alone.
  Bytes before = ReadFile(dir_ / "song.mp3");
  ToolRun refused = Tolvo({"tag", "set", "song.mp3", "--genre", "Vaporwave"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("'Vaporwave' is not an ID3v1 genre"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_ / "song.mp3"), before);
  ASSERT_EQ(Tolvo({"tag", "set", "song.mp3", "--v2", "--genre", "Vaporwave"}).status, 0);
  EXPECT_NE(Tolvo({"tag", "show", "song.mp3"}).out.find("ID3v2:\n  Genre:            Vaporwave\n"),
            std::string::npos);

  ASSERT_EQ(Tolvo({"tag", "remove", "song.mp3", "--v2"}).status, 0);
  show = Tolvo({"tag", "show", "song.mp3"});
  EXPECT_NE(show.out.find("  Title:            Only one\n"), std::string::npos);
  EXPECT_NE(show.out.find("ID3v2: none\n"), std::string::npos);
  ToolRun removed = Tolvo({"tag", "remove", "song.mp3"});
  EXPECT_EQ(removed.status, 0);
  EXPECT_EQ(removed.out, "song.mp3: ID3v1 tag removed; it had no ID3v2 tag\n");
  EXPECT_EQ(ReadFile(dir_ / "song.mp3"), untagged_);
  removed = Tolvo({"tag", "remove", "song.mp3"});
  EXPECT_EQ(removed.out, "song.mp3: no ID3v1 or ID3v2 tag to remove\n");
  EXPECT_EQ(ReadFile(dir_ / "song.mp3"), untagged_);
}

TEST_F(TolvoTag, WarnsWhatId3v1CannotHoldAndRefusesBadValuesAndOtherFiles) {
  const std::string longTitle = "A title of more than thirty characters";
  ToolRun set = Tolvo({"tag", "set", "song.mp3", "--title", longTitle, "--artist", "Пёс и кот",
                       "--album", "“Quotes” €", "--comment", "Notes 🎵", "--track", "3/12"});
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(
      set.err,
      "tolvo: song.mp3: warning: ID3v1 holds the title as 'A title of more than thirty ch' "
      "(cut to 30 characters); ID3v2 holds it whole\n"
      "tolvo: song.mp3: warning: ID3v1 holds the artist as '\?\?\? \? \?\?\?' ('?' for characters "
      "it cannot store); ID3v2 holds it whole\n"
      "tolvo: song.mp3: warning: ID3v1 holds the comment as 'Notes ?' ('?' for characters it "
      "cannot store); ID3v2 holds it whole\n");
  ToolRun show = Tolvo({"tag", "show", "song.mp3"});
  EXPECT_NE(show.out.find("ID3v2:\n  Title:            " + longTitle +
                          "\n  Artist:           Пёс и кот\n  Album:            “Quotes” €\n"),
            std::string::npos)
      << show.out;

  // Bad values are refused before anything is written.
  const Bytes before = ReadFile(dir_ / "song.mp3");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--year", "99"},
                                               {"--year", "2024-05-01"},
                                               {"--track", "0"},
                                               {"--track", "256"},
                                               {"--track", "3/x"},
                                               {"--v2", "--year", "abcd"}}) {
    std::vector<std::string> command = {"tag", "set", "song.mp3"};
    command.insert(command.end(), args.begin(), args.end());
    ToolRun refused = Tolvo(command);
    EXPECT_EQ(refused.status, 2) << args[1];
    EXPECT_NE(refused.err.find(args[args.size() - 2] + " must be"), std::string::npos)
        << refused.err;
  }
  EXPECT_EQ(ReadFile(dir_ / "song.mp3"), before);

  // A WAV file and a text file get no tag.
  WriteFile(dir_ / "notes.mp3", Bytes(400, 'x'));
  for (const char* name : {"in.wav", "notes.mp3"}) {
    const Bytes original = ReadFile(dir_ / name);
    ToolRun refused = Tolvo({"tag", "set", name, "--title", "x"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              std::string("tolvo: ") + name + ": is not an MP3 file; it was left untouched\n");
    EXPECT_EQ(ReadFile(dir_ / name), original);
  }
}

TEST_F(TolvoTag, ShowOnlyReads) {
  ASSERT_EQ(Tolvo({"tag", "set", "song.mp3", "--title", "Kept"}).status, 0);
  for (std::string name : {"song.mp3", "in.wav"}) {
    Bytes before = ReadFile(dir_ / name);
    fs::file_time_type modified = fs::last_write_time(dir_ / name);
    std::vector<std::string> folder = ListFolder(dir_.path());
    ToolRun show = Tolvo({"tag", "show", name});
    EXPECT_EQ(show.status, 0) << show.err;
    EXPECT_EQ(ReadFile(dir_ / name), before);
    EXPECT_EQ(fs::last_write_time(dir_ / name), modified);
    EXPECT_EQ(ListFolder(dir_.path()).size(), folder.size());
  }
  EXPECT_EQ(Tolvo({"tag", "show", "in.wav"}).out, "in.wav\nID3v1: none\nID3v2: none\n");
}

TEST_F(TolvoTag, FileProblemsAndBadArguments) {
  ToolRun missing = Tolvo({"tag", "show", "nope.mp3"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "tolvo: nope.mp3: no such file\n");
  fs::create_directory(dir_ / "folder.mp3");
  EXPECT_EQ(Tolvo({"tag", "set", "folder.mp3", "--title", "x"}).err,
            "tolvo: folder.mp3: not a file\n");
  EXPECT_EQ(Tolvo({"tag", "remove", "nope.mp3"}).status, 1);

  // The read-only attribute is the owner's write bit (S_IWUSR), which root does not need.
  fs::permissions(dir_ / "song.mp3", fs::perms::owner_write, fs::perm_options::remove);
  ASSERT_EQ(fs::status(dir_ / "song.mp3").permissions() & fs::perms::owner_write, fs::perms::none);
  ToolRun readOnly = Tolvo({"tag", "set", "song.mp3", "--title", "x"});
  EXPECT_EQ(readOnly.status, 1);
  EXPECT_EQ(readOnly.err, "tolvo: song.mp3: is read-only\n");
  EXPECT_EQ(ReadFile(dir_ / "song.mp3"), untagged_);

  // A read-only file's tags are not removed, and the command says so.
  fs::permissions(dir_ / "song.mp3", fs::perms::owner_write, fs::perm_options::add);
  ASSERT_EQ(Tolvo({"tag", "set", "song.mp3", "--title", "x"}).status, 0);
  const Bytes tagged = ReadFile(dir_ / "song.mp3");
  fs::permissions(dir_ / "song.mp3", fs::perms::owner_write, fs::perm_options::remove);
  for (const char* version : {"--v1", "--v2"}) {
    ToolRun removal = Tolvo({"tag", "remove", "song.mp3", version});
    EXPECT_EQ(removal.status, 1) << version;
    EXPECT_EQ(removal.err, "tolvo: song.mp3: is read-only\n") << version;
    EXPECT_EQ(removal.out, "") << version;
  }
  EXPECT_EQ(ReadFile(dir_ / "song.mp3"), tagged);

  EXPECT_EQ(Tolvo({"tag", "set", "song.mp3"}).status, 2);  // no field
  EXPECT_EQ(Tolvo({"tag", "set", "song.mp3", "--v1", "--track", "x"}).status, 2);
  EXPECT_EQ(Tolvo({"tag", "show"}).status, 2);
  EXPECT_EQ(Tolvo({"tag", "rename", "song.mp3"}).status, 2);
  EXPECT_EQ(Tolvo({"tag", "show", "song.mp3", "--v3"}).status, 2);
}

TEST_F(TolvoTag, GenreListAboutAndRegistration) {
  ToolRun genres = Tolvo({"genres"});
  ASSERT_EQ(genres.status, 0);
  EXPECT_EQ(genres.out.rfind("  0  Blues\n  1  Classic Rock\n", 0), 0u);
  EXPECT_NE(genres.out.find("\n147  Synthpop\n"), std::string::npos);
  EXPECT_EQ(std::count(genres.out.begin(), genres.out.end(), '\n'), 148);

  // Without a display the about box is written to standard error.
  ToolRun about = Tolvo({"about"});
  EXPECT_EQ(about.status, 0);
  EXPECT_NE(about.err.find("Tolvo MP3 Encoder OCX 1.3.0"), std::string::npos) << about.err;

  ToolRun reg = Tolvo({"register"});
  ASSERT_EQ(reg.status, 0) << reg.err;
  Bytes registry = ReadFile(dir_ / "registry.ini");
  std::string registryText(registry.begin(), registry.end());
  EXPECT_NE(registryText.find("ProgID=TolvoMP3Encode130.TolvoEncode"), std::string::npos);
  EXPECT_NE(registryText.find("Server=" + OutDir() + "/libtolvomp3enc130.so"), std::string::npos);
  // Created by ProgID now.
  EXPECT_EQ(Tolvo({"tag", "show", "song.mp3"}).status, 0);
  ASSERT_EQ(Tolvo({"unregister"}).status, 0);
  registry = ReadFile(dir_ / "registry.ini");
  EXPECT_EQ(std::string(registry.begin(), registry.end()).find("TolvoMP3Encode130"),
            std::string::npos);
}

}  // namespace
}  // namespace tolvo::test
