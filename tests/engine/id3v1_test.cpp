// ID3v1 tags: the record layout against literal bytes, reading, writing and removal on real
// files, the field commands with their limits, failure points of a write, and the genre list.
#include "id3/id3v1.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/command.h"
#include "faulty_file_system.h"
#include "id3/genres.h"
#include "id3_builders.h"
#include "test_support.h"

namespace tolvo::engine {
namespace {

using test::Bytes;
using test::Concat;
using test::Id3v1Parts;
using test::Id3v1Record;

int32_t Call(const char* name, intptr_t a1 = 0, intptr_t a2 = 0, intptr_t a3 = 0) {
  for (const Command& command : Id3v1Commands()) {
    if (std::strcmp(command.name, name) == 0) return command.handler(a1, a2, a3);
  }
  ADD_FAILURE() << "no command " << name;
  return -1;
}
int32_t Call(const char* name, const char* text) {
  return Call(name, reinterpret_cast<intptr_t>(text));
}
std::string Get(const char* name) {
  char buffer[128];
  std::memset(buffer, 0x55, sizeof buffer);
  EXPECT_EQ(Call(name, reinterpret_cast<intptr_t>(buffer)), 0);
  return buffer;
}
uint32_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

class Id3v1Test : public ::testing::Test {
 protected:
  void SetUp() override { Id3v1Fields() = Id3v1FieldSet{}; }
  std::string Mp3(const Bytes& bytes, const char* name = "song.mp3") {
    std::string path = dir_ / name;
    test::WriteFile(path, bytes);
    return path;
  }
  test::TempDir dir_;
};

Id3v1Parts SampleParts() {
  Id3v1Parts parts;
  parts.title = "Title";
  parts.artist = "Artist";
  parts.album = "Album";
  parts.year = "1999";
  parts.commentArea = test::CommentV11("Note", 7);
  parts.genre = 17;
  return parts;
}

TEST(Id3v1Layout, RenderMatchesLiteralBytesAndParsesBack) {
  Id3v1FieldSet fields;
  std::strcpy(fields.title, "Title");
  std::strcpy(fields.artist, "Artist");
  std::strcpy(fields.album, "Album");
  std::strcpy(fields.year, "1999");
  std::strcpy(fields.comment, "Note");
  fields.track = 7;
  fields.genre = 17;
  uint8_t record[128];
  RenderId3v1(fields, record);
  EXPECT_EQ(Bytes(record, record + 128), Id3v1Record(SampleParts()));
  EXPECT_EQ(record[125], 0);
  EXPECT_EQ(record[126], 7);

  Id3v1FieldSet parsed;
  ASSERT_TRUE(ParseId3v1(record, &parsed));
  EXPECT_STREQ(parsed.title, "Title");
  EXPECT_STREQ(parsed.comment, "Note");
  EXPECT_EQ(parsed.track, 7);
  EXPECT_EQ(parsed.genre, 17);
}

TEST(Id3v1Layout, TrackZeroWritesTheThirtyByteCommentAndTrack300StoresItsLowByte) {
  Id3v1FieldSet fields;
  std::memset(fields.comment, 'c', 30);
  uint8_t record[128];
  RenderId3v1(fields, record);
  EXPECT_EQ(Bytes(record + 97, record + 127), Bytes(30, 'c'));  // no zero at 125

  fields.track = 300;
  fields.genre = 0x1FF;
  RenderId3v1(fields, record);
  EXPECT_EQ(Bytes(record + 97, record + 125), Bytes(28, 'c'));
  EXPECT_EQ(record[125], 0);
  EXPECT_EQ(record[126], 44);
  EXPECT_EQ(record[127], 0xFF);
}

TEST_F(Id3v1Test, ReadKeepsBlankPaddingAndTheTwoCommentForms) {
  Id3v1Parts parts = SampleParts();
  parts.pad = ' ';
  parts.commentArea = test::CommentV1("Thirty wide comment", ' ');
  parts.genre = 255;
  std::string path = Mp3(Concat({test::AudioBytes(500), Id3v1Record(parts)}));
  ASSERT_EQ(Call("getid3v1", path.c_str()), 0);
  EXPECT_EQ(Get("v1Title"), "Title" + std::string(25, ' '));
  EXPECT_EQ(Get("v1Year"), "1999");
  EXPECT_EQ(Get("v1Comment"), "Thirty wide comment" + std::string(11, ' '));
  EXPECT_EQ(Call("v1Track"), 0);    // byte 125 is a blank: the ID3v1 form
  EXPECT_EQ(Call("v1Genre"), 148);  // 255 is "no genre"

  // Byte 125 zero and byte 126 zero: v1.1 without a track, comment cut at 28.
  parts.commentArea = Concat({Bytes(28, 'x'), Bytes{0, 0}});
  path = Mp3(Concat({test::AudioBytes(500), Id3v1Record(parts)}));
  ASSERT_EQ(Call("getid3v1", path.c_str()), 0);
  EXPECT_EQ(Get("v1Comment"), std::string(28, 'x'));
  EXPECT_EQ(Call("v1Track"), 0);

  parts.commentArea = test::CommentV11("c", 255);
  path = Mp3(Concat({test::AudioBytes(500), Id3v1Record(parts)}));
  ASSERT_EQ(Call("getid3v1", path.c_str()), 0);
  EXPECT_EQ(Call("v1Track"), 255);
}

TEST_F(Id3v1Test, FailedReadsLeaveTheFieldSetAsItWas) {
  Call("wv1Title", "Kept");
  Call("wv1Track", 9);
  std::string noTag = Mp3(test::AudioBytes(400), "notag.mp3");
  std::string tiny = Mp3(test::AudioBytes(100), "tiny.mp3");
  EXPECT_EQ(Call("getid3v1", noTag.c_str()), 2);
  EXPECT_EQ(Call("getid3v1", tiny.c_str()), 3);
  EXPECT_EQ(Call("getid3v1", (dir_ / "missing.mp3").c_str()), 1);
  EXPECT_EQ(Call("getid3v1", dir_.path().c_str()), 1);  // a folder holds no tag
  EXPECT_EQ(Call("getid3v1", intptr_t{0}), 1);
  EXPECT_EQ(Get("v1Title"), "Kept");
  EXPECT_EQ(Call("v1Track"), 9);
}

TEST_F(Id3v1Test, WriteAppendsOnceThenReplacesInPlace) {
  const Bytes audio = test::AudioBytes(1000);
  std::string path = Mp3(audio);
  Call("wv1Track", 7);
  Call("wv1Title", "Title");
  Call("wv1Artist", "Artist");
  Call("wv1Album", "Album");
  Call("wv1Year", "1999");
  Call("wv1Comment", "Note");
  Call("wv1Genre", 17);
  ASSERT_EQ(Call("setid3v1", path.c_str()), 0);
  EXPECT_EQ(test::ReadFile(path), Concat({audio, Id3v1Record(SampleParts())}));

  Call("wv1Title", "Second");
  ASSERT_EQ(Call("setid3v1", path.c_str()), 0);
  Bytes after = test::ReadFile(path);
  ASSERT_EQ(after.size(), audio.size() + 128);
  EXPECT_TRUE(std::equal(audio.begin(), audio.end(), after.begin()));
  EXPECT_EQ(Bytes(after.begin() + 1003, after.begin() + 1010),
            Bytes({'S', 'e', 'c', 'o', 'n', 'd', 0}));

  // A read straight after the write gives back what was set.
  Id3v1Fields() = Id3v1FieldSet{};
  ASSERT_EQ(Call("getid3v1", path.c_str()), 0);
  EXPECT_EQ(Get("v1Title"), "Second");
  EXPECT_EQ(Get("v1Comment"), "Note");
  EXPECT_EQ(Call("v1Track"), 7);
  EXPECT_EQ(Call("v1Genre"), 17);
}

TEST_F(Id3v1Test, ShortMissingAndReadOnlyFilesAreRefusedUntouched) {
  std::string tiny = Mp3(test::AudioBytes(100), "tiny.mp3");
  EXPECT_EQ(Call("setid3v1", tiny.c_str()), 3);
  EXPECT_EQ(test::SizeOf(tiny), 100);
  std::string missing = dir_ / "missing.mp3";
  EXPECT_EQ(Call("setid3v1", missing.c_str()), 1);
  EXPECT_FALSE(test::Exists(missing));
  EXPECT_EQ(Call("removeid3v1", missing.c_str()), 0);
  EXPECT_EQ(Call("setid3v1", intptr_t{0}), 1);
  EXPECT_EQ(Call("removeid3v1", intptr_t{0}), 0);

  const Bytes tagged = Concat({test::AudioBytes(300), Id3v1Record(SampleParts())});
  std::string locked = Mp3(tagged, "locked.mp3");
  ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
  Call("wv1Title", "Changed");
  EXPECT_EQ(Call("setid3v1", locked.c_str()), 4);
  EXPECT_EQ(Call("removeid3v1", locked.c_str()), 3);
  EXPECT_EQ(test::ReadFile(locked), tagged);
  EXPECT_EQ(ModeOf(locked), 0444u);
  EXPECT_EQ(Get("v1Title"), "Changed");  // the refused removal read nothing
}

TEST_F(Id3v1Test, RemoveCutsTheTagAndKeepsItsValues) {
  const Bytes audio = test::AudioBytes(700);
  std::string path = Mp3(Concat({audio, Id3v1Record(SampleParts())}));
  ASSERT_EQ(Call("removeid3v1", path.c_str()), 0);
  EXPECT_EQ(test::ReadFile(path), audio);
  EXPECT_EQ(Get("v1Artist"), "Artist");
  EXPECT_EQ(Call("v1Track"), 7);

  // Nothing left to remove: success, file unchanged.
  ASSERT_EQ(Call("removeid3v1", path.c_str()), 0);
  EXPECT_EQ(test::ReadFile(path), audio);
}

TEST_F(Id3v1Test, SetCommandsClearTheFieldAndKeepTheirLimits) {
  const std::string forty(40, 'k');
  Call("wv1Track", intptr_t{0});
  Call("wv1Comment", forty.c_str());
  EXPECT_EQ(Get("v1Comment"), std::string(30, 'k'));
  Call("wv1Track", 5);
  Call("wv1Comment", forty.c_str());
  EXPECT_EQ(Get("v1Comment"), std::string(28, 'k'));
  Call("wv1Year", "20245");
  EXPECT_EQ(Get("v1Year"), "2024");
  Call("wv1Title", forty.c_str());
  EXPECT_EQ(Get("v1Title"), std::string(30, 'k'));
  Call("wv1Title", "ab");
  EXPECT_EQ(Get("v1Title"), "ab");
  // The whole buffer is cleared, so a write pads the field with zeros, not old text.
  EXPECT_TRUE(std::all_of(Id3v1Fields().title + 2, Id3v1Fields().title + kId3v1TextBufferSize,
                          [](char c) { return c == 0; }));
  Call("wv1Artist", intptr_t{0});
  EXPECT_EQ(Get("v1Artist"), "");
  EXPECT_EQ(Call("v1Title", intptr_t{0}), 0);  // no buffer: nothing is written
  Call("wv1Genre", -3);
  EXPECT_EQ(Call("v1Genre"), -3);
}

TEST_F(Id3v1Test, EveryFailurePointOfAWriteLeavesOldOrNewBytesAndNeverReportsSuccessFalsely) {
  const Bytes audio = test::AudioBytes(600);
  const Bytes oldTag = Id3v1Record(SampleParts());
  Call("wv1Title", "Replacement");
  for (bool hadTag : {false, true}) {
    const Bytes original = hadTag ? Concat({audio, oldTag}) : audio;
    uint8_t record[128];
    RenderId3v1(Id3v1Fields(), record);
    const Bytes written = Concat({audio, Bytes(record, record + 128)});

    test::FaultyFileSystem fs;
    std::string path = Mp3(original);
    ASSERT_EQ(WriteId3v1(path.c_str(), Id3v1Fields(), fs), 0);
    const int calls = fs.calls();
    for (int n = 1; n <= calls; ++n) {
      SCOPED_TRACE("failing call " + std::to_string(n) + (hadTag ? " replacing" : " appending"));
      test::WriteFile(path, original);
      fs.FailCall(n);
      const int32_t result = WriteId3v1(path.c_str(), Id3v1Fields(), fs);
      const Bytes now = test::ReadFile(path);
      if (result == 0) {
        EXPECT_EQ(now, written);
      } else {
        EXPECT_TRUE(now == original || now == written) << "result " << result;
      }
    }
    // A full disk in the middle of the tag: failure 5, the file as it was.
    test::WriteFile(path, original);
    fs.FillDiskAtWrite(1);
    EXPECT_EQ(WriteId3v1(path.c_str(), Id3v1Fields(), fs), kId3v1WriteFailed);
    EXPECT_TRUE(fs.triggered());
    EXPECT_EQ(test::ReadFile(path).size(), original.size());
    if (!hadTag) {
      EXPECT_EQ(test::ReadFile(path), original);
    }
  }
}

TEST(GenreList, HoldsTheFixedNamesAndAnswersEveryIndexSafely) {
  auto names = GenreNames();
  ASSERT_EQ(names.size(), 149u);
  EXPECT_STREQ(names[0], "Blues");
  EXPECT_STREQ(names[17], "Rock");
  EXPECT_STREQ(names[40], "Alternative Rock");
  EXPECT_STREQ(names[67], "Psychadelic");
  EXPECT_STREQ(names[81], "Folk/Rock");
  EXPECT_STREQ(names[84], "Fast-Fusion");
  EXPECT_STREQ(names[123], "A Capella");
  EXPECT_STREQ(names[136], "Christian Gangsta");
  EXPECT_STREQ(names[147], "Synthpop");
  EXPECT_STREQ(names[148], " ");
  auto longest = std::max_element(names.begin(), names.end(), [](const char* a, const char* b) {
    return std::strlen(a) < std::strlen(b);
  });
  EXPECT_STREQ(*longest, "Contemporary Christian");
  EXPECT_EQ(std::strlen(*longest), kLongestGenreName);

  char buffer[32];
  for (int32_t index : {0, 148, 149, -1, 1000}) {
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(Call("generategenre", reinterpret_cast<intptr_t>(buffer), 0, index), 0);
    EXPECT_STREQ(buffer, index == 0 ? "Blues" : " ") << index;
  }
  EXPECT_EQ(Call("generategenre", 0, 0, 5), 0);  // no buffer
}

TEST_F(Id3v1Test, TextsAreUtf8InTheFieldSetAndWindows1252InTheRecord) {
  // What a set command keeps (UTF-8, the limit counted in characters) and the record's bytes.
  struct Case {
    const char* command;
    std::string given, kept;
    Bytes recordBytes;
  };
  const std::string thirtyAccents = [] {
    std::string text;
    for (int i = 0; i < 31; ++i) text += "\xC3\xA9";  // é
    return text;
  }();
  const Case cases[] = {
      {"wv1Title",
       "Caf\xC3\xA9 \xE2\x80\x9C\xE2\x82\xAC\xE2\x80\x9D",
       "Caf\xC3\xA9 \xE2\x80\x9C\xE2\x82\xAC\xE2\x80\x9D",
       {'C', 'a', 'f', 0xE9, ' ', 0x93, 0x80, 0x94}},
      {"wv1Artist", "\xD0\x9F\xD1\x91\xD1\x81 \xE5\x9D\x82", "??? ?", {'?', '?', '?', ' ', '?'}},
      {"wv1Album", thirtyAccents, thirtyAccents.substr(0, 60), Bytes(30, 0xE9)},
      {"wv1Year",
       "\xC3\xA9"
       "2024",
       "\xC3\xA9"
       "202",
       {0xE9, '2', '0', '2'}},
      // A byte that starts no UTF-8 sequence is the Windows-1252 character of that byte.
      {"wv1Comment",
       "na\xEFve \x80",
       "na\xC3\xAFve \xE2\x82\xAC",
       {'n', 'a', 0xEF, 'v', 'e', ' ', 0x80}},
  };
  for (const Case& c : cases) Call(c.command, c.given.c_str());
  const std::string path = Mp3(test::AudioBytes(500));
  ASSERT_EQ(WriteId3v1(path.c_str()), kId3v1Ok);
  const Bytes file = test::ReadFile(path);
  const Bytes record(file.end() - 128, file.end());
  const size_t offsets[] = {3, 33, 63, 93, 97};
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const Bytes stored(record.begin() + offsets[i],
                       record.begin() + offsets[i] + c.recordBytes.size());
    EXPECT_EQ(stored, c.recordBytes) << c.command;
    // The field set and a fresh read give back the same UTF-8 text.
    const std::string get = std::string(c.command).substr(1);
    EXPECT_EQ(Get(get.c_str()), c.kept) << c.command;
  }
  Id3v1Fields() = Id3v1FieldSet{};
  ASSERT_EQ(ReadId3v1(path.c_str()), kId3v1Ok);
  for (const Case& c : cases) {
    EXPECT_EQ(Get(std::string(c.command).substr(1).c_str()), c.kept) << c.command;
  }
}

}  // namespace
}  // namespace tolvo::engine
