// The options people know from other tools: -q, -v, -jN, "tolvo help COMMAND", help pointers in
// errors, --vbr-quality, tags written while encoding, and folders as batch input.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tolvo_cli.h"

namespace tolvo::test {
namespace {

namespace fs = std::filesystem;

TEST(TolvoOptions, QuietVerboseAndAttachedJobCounts) {
  TempDir dir;
  WriteWav(dir / "a.wav", {.frames = 22050});
  WriteWav(dir / "b.wav", {.frames = 22050});
  struct Case {
    std::vector<std::string> arguments;
    std::vector<std::string> inErrors;  // each must appear; none: standard error stays empty
  };
  const Case cases[] = {
      {{"-q", "encode", "a.wav", "a.mp3"}, {}},
      {{"encode", "--quiet", "a.wav", "a.mp3"}, {}},
      {{"encode", "-q", "-j2", "a.wav", "b.wav", "-o", "out"}, {}},
      {{"-v", "encode", "a.wav", "a.mp3"},
       {"tolvo: a.wav: 44100 Hz, 2 channels, 16 bits, 0.5 s\n",
        "tolvo: encoding at 128 kbit/s, joint stereo, normal quality\n", "encoded a.mp3: 0.5 s"}},
      {{"encode", "-j2", "a.wav", "b.wav", "--out-dir", "out", "-v"},
       {"tolvo: encoding a.wav to out/a.mp3\n", "encoded out/b.mp3\n", "\n2 files: 2 encoded"}},
      {{"encode", "-j", "1", "a.wav", "--out-dir", "one"}, {"\n1 file: 1 encoded, 0 failed; "}},
  };
  for (const Case& c : cases) {
    ToolRun run = RunTolvo(dir, c.arguments);
    std::string line;
    for (const std::string& a : c.arguments) line += a + " ";
    EXPECT_EQ(run.status, 0) << line << run.err;
    EXPECT_EQ(run.out, "") << line;
    if (c.inErrors.empty()) {
      EXPECT_EQ(run.err, "") << line;
    }
    for (const std::string& text : c.inErrors) {
      EXPECT_NE(run.err.find(text), std::string::npos) << line << "\n" << run.err;
    }
  }
  EXPECT_NEAR(DecodedSeconds(dir / "out/b.mp3"), 0.5, 0.05);
  EXPECT_NEAR(DecodedSeconds(dir / "one/a.mp3"), 0.5, 0.05);
}

TEST(TolvoOptions, HelpByNameAndHelpPointersOfEachCommand) {
  TempDir dir;
  for (std::vector<std::string> topic : std::vector<std::vector<std::string>>{
           {"encode"}, {"tag"}, {"tag", "set"}, {"tag", "show"}, {"genres"}, {"register"}}) {
    std::vector<std::string> byName = {"help"}, byOption = topic;
    byName.insert(byName.end(), topic.begin(), topic.end());
    byOption.push_back("--help");
    ToolRun a = RunTolvo(dir, byName), b = RunTolvo(dir, byOption);
    EXPECT_EQ(a.status, 0) << topic.back();
    EXPECT_EQ(a.out, b.out) << topic.back();
    EXPECT_NE(a.out.find("Usage: tolvo " + topic[0]), std::string::npos);
  }
  EXPECT_EQ(RunTolvo(dir, {"help", "transcode"}).status, 2);

  struct Case {
    std::vector<std::string> arguments;
    std::string hint;
  };
  const Case cases[] = {
      {{"tag", "set", "x.mp3", "--bogus"}, "Try 'tolvo tag set --help'.\n"},
      {{"tag", "show"}, "Try 'tolvo tag show --help'.\n"},
      {{"tag", "remove", "a", "b"}, "Try 'tolvo tag remove --help'.\n"},
      {{"encode", "-V", "10", "a.wav", "b.mp3"}, "Try 'tolvo encode --help'.\n"},
      {{"genres", "extra"}, "Try 'tolvo genres --help'.\n"},
  };
  for (const Case& c : cases) {
    ToolRun run = RunTolvo(dir, c.arguments);
    EXPECT_EQ(run.status, 2) << c.hint;
    EXPECT_TRUE(run.err.ends_with(c.hint)) << run.err;
  }
}

TEST(TolvoOptions, VbrQualityDecidesTheSizeLikeOtherEncoders) {
  TempDir dir;
  WriteWav(dir / "tone.wav", {.frames = 44100 * 10});
  std::map<int, int64_t> sizes;
  for (int quality : {0, 2, 9}) {
    std::string mp3 = "v" + std::to_string(quality) + ".mp3";
    ToolRun run = RunTolvo(dir, {"encode", "tone.wav", mp3, "-V" + std::to_string(quality)});
    ASSERT_EQ(run.status, 0) << run.err;
    // (At quality 9 the encoder may also lower the sample rate, as lame -V 9 does.)
    EXPECT_NE(Mp3StreamInfo(dir / mp3).find(" L III vbr "), std::string::npos) << quality;
    EXPECT_NEAR(DecodedSeconds(dir / mp3), 10.0, 0.05);
    sizes[quality] = SizeOf(dir / mp3);
  }
  EXPECT_GT(sizes[0], sizes[2]);
  EXPECT_GT(sizes[2], 2 * sizes[9]);
  // lame -V 2 on the same tone is the yardstick: within a quarter of its size.
  ASSERT_EQ(RunCommand("lame --quiet -V 2 " + ShellQuote(dir / "tone.wav") + " " +
                       ShellQuote(dir / "lame.mp3")),
            0);
  EXPECT_NEAR(static_cast<double>(sizes[2]), static_cast<double>(SizeOf(dir / "lame.mp3")),
              0.25 * static_cast<double>(SizeOf(dir / "lame.mp3")));
}

// The tags as mutagen reads them: "TIT2=...;TPE1=...;" of ID3v2, then "v1:" and the ID3v1 title.
std::string TagsByMutagen(const std::string& mp3) {
  std::string script =
      "import sys\n"
      "from mutagen.id3 import ID3\n"
      "t = ID3(sys.argv[1])\n"
      "print(';'.join(k + '=' + str(t[k]) for k in ('TIT2', 'TPE1', 'TALB', 'TRCK', 'TCON') if "
      "k in t))\n"
      "d = open(sys.argv[1], 'rb').read()[-128:]\n"
      "print('v1:' + d[3:33].rstrip(b'\\x00 ').decode('latin-1') if d[:3] == b'TAG' else 'v1: "
      "none')\n";
  std::string out;
  RunCommand("/usr/bin/python3 -c " + ShellQuote(script) + " " + ShellQuote(mp3), &out);
  return out;
}

TEST(TolvoOptions, EncodeWritesTheTagsItIsGiven) {
  TempDir dir;
  WriteWav(dir / "a.wav", {.frames = 22050});
  WriteWav(dir / "b.wav", {.frames = 22050});
  ToolRun one = RunTolvo(dir, {"encode", "a.wav", "a.mp3", "--title", "Señal", "--artist", "Tolvo",
                               "--album", "Pruebas", "--track", "3", "--genre", "Rock"});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(TagsByMutagen(dir / "a.mp3"),
            "TIT2=Señal;TPE1=Tolvo;TALB=Pruebas;TRCK=3;TCON=Rock\nv1:Señal\n");
  EXPECT_NEAR(DecodedSeconds(dir / "a.mp3"), 0.5, 0.05);

  ToolRun batch =
      RunTolvo(dir, {"encode", "-j2", "a.wav", "b.wav", "-o", "out", "--album", "Both"});
  ASSERT_EQ(batch.status, 0) << batch.err;
  EXPECT_EQ(TagsByMutagen(dir / "out/b.mp3"), "TALB=Both\nv1:\n");

  // A genre ID3v1 cannot store is refused before anything is encoded.
  ToolRun bad = RunTolvo(dir, {"encode", "a.wav", "c.mp3", "--genre", "Nonesuch"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("'Nonesuch' is not an ID3v1 genre"), std::string::npos) << bad.err;
  EXPECT_FALSE(Exists(dir / "c.mp3"));
}

TEST(TolvoOptions, FoldersInABatchGiveTheirWavFiles) {
  TempDir dir;
  fs::create_directories(dir / "music/live");
  fs::create_directories(dir / "empty");
  WriteWav(dir / "music/a.wav", {.frames = 22050});
  WriteWav(dir / "music/B.WAV", {.frames = 44100});
  WriteWav(dir / "music/live/c.wav", {.frames = 66150});
  WriteFile(dir / "music/notes.txt", Bytes{'x'});
  WriteWav(dir / "single.wav", {.frames = 22050});

  ToolRun flat = RunTolvo(dir, {"encode", "-j2", "music", "single.wav", "--out-dir", "flat"});
  ASSERT_EQ(flat.status, 0) << flat.err;
  EXPECT_NE(flat.err.find("\n3 files: 3 encoded, 0 failed; 2.0 s of audio"), std::string::npos)
      << flat.err;
  EXPECT_EQ(ListFolder(dir / "flat").size(), 3u);
  EXPECT_NEAR(DecodedSeconds(dir / "flat/B.mp3"), 1.0, 0.05);
  EXPECT_TRUE(Exists(dir / "flat/single.mp3"));

  ToolRun deep = RunTolvo(dir, {"encode", "-j", "2", "--recursive", "music", "--out-dir", "deep"});
  ASSERT_EQ(deep.status, 0) << deep.err;
  EXPECT_NEAR(DecodedSeconds(dir / "deep/live/c.mp3"), 1.5, 0.05);
  EXPECT_TRUE(Exists(dir / "deep/a.mp3"));

  ToolRun none = RunTolvo(dir, {"encode", "empty", "--out-dir", "x"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err,
            "tolvo: empty: no .wav files in the folder (--recursive looks in its subfolders "
            "too)\n");
  EXPECT_FALSE(Exists(dir / "x"));
}

// The walk goes in path order, element by element ("x/y" before "x-y"), takes a link to a WAV,
// and neither enters a link to a folder nor stumbles on a broken link.
TEST(TolvoOptions, AFolderWalkIsInPathOrderAndEntersNoLinkedFolder) {
  TempDir dir;
  fs::create_directories(dir / "walk/x");
  WriteWav(dir / "walk/x/y.wav", {.frames = 22050});
  WriteWav(dir / "walk/x-y.wav", {.frames = 22050});
  fs::create_symlink(dir / "walk/x/y.wav", dir / "walk/linked.wav");
  fs::create_symlink(dir / "walk/x", dir / "walk/folder-link");
  fs::create_symlink(dir / "walk/none.wav", dir / "walk/broken.wav");

  ToolRun run = RunTolvo(dir, {"encode", "-j", "1", "--recursive", "walk/", "--out-dir", "o"});
  ASSERT_EQ(run.status, 0) << run.err;
  const size_t linked = run.err.find("encoded o/linked.mp3\n");
  const size_t below = run.err.find("encoded o/x/y.mp3\n");
  const size_t beside = run.err.find("encoded o/x-y.mp3\n");
  ASSERT_NE(beside, std::string::npos) << run.err;
  EXPECT_LT(linked, below) << run.err;
  EXPECT_LT(below, beside) << run.err;
  EXPECT_NE(run.err.find("\n3 files: 3 encoded, 0 failed;"), std::string::npos) << run.err;
  EXPECT_FALSE(Exists(dir / "o/folder-link"));
}

}  // namespace
}  // namespace tolvo::test
