// ID3v2 writing and removal on real files: the written tag against literal bytes, rewrites of
// old tags in place order, the result codes, the replacement keeping mode and content, and
// real peers (mutagen) reading what we write and writing what we rewrite.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/counted_alloc.h"
#include "core/engine_state.h"
#include "id3/id3v2_fields.h"
#include "id3/id3v2_remover.h"
#include "id3/id3v2_writer.h"
#include "id3_builders.h"
#include "id3v2_fields_fixture.h"
#include "test_support.h"
#include "tolvo/platform/dynamic_library.h"

namespace tolvo::engine {
namespace {

using test::Bytes;
using test::Concat;
using test::Frame;
using test::TextBytes;
using test::TextData;

struct ParsedFrame {
  std::string id;
  uint8_t flags[2];
  Bytes data;
};
struct ParsedTag {
  uint32_t tagSize = 0;
  std::vector<ParsedFrame> frames;
  size_t paddingBytes = 0;  // zero bytes after the last frame, inside the tag
  Bytes after;              // what follows the tag
};

// Parses a file written by this system: header, frames until a zero byte, padding.
ParsedTag ParseTag(const Bytes& file) {
  ParsedTag tag;
  EXPECT_GE(file.size(), 10u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 3), "ID3");
  for (int i = 6; i < 10; ++i) EXPECT_LT(file[i], 0x80) << "size byte " << i << " not syncsafe";
  tag.tagSize = (file[6] << 21) | (file[7] << 14) | (file[8] << 7) | file[9];
  const size_t end = 10 + tag.tagSize;
  size_t at = 10;
  while (at + 10 <= end && file[at] != 0) {
    ParsedFrame frame;
    frame.id.assign(file.begin() + at, file.begin() + at + 4);
    const uint32_t size =
        (file[at + 4] << 24) | (file[at + 5] << 16) | (file[at + 6] << 8) | file[at + 7];
    frame.flags[0] = file[at + 8];
    frame.flags[1] = file[at + 9];
    frame.data.assign(file.begin() + at + 10, file.begin() + at + 10 + size);
    tag.frames.push_back(frame);
    at += 10 + size;
  }
  for (; at < end; ++at, ++tag.paddingBytes) EXPECT_EQ(file[at], 0) << "padding at " << at;
  tag.after.assign(file.begin() + end, file.end());
  return tag;
}

std::vector<std::string> IdsOf(const ParsedTag& tag) {
  std::vector<std::string> ids;
  for (const ParsedFrame& frame : tag.frames) ids.push_back(frame.id);
  return ids;
}
const ParsedFrame* FindFrame(const ParsedTag& tag, const std::string& id) {
  for (const ParsedFrame& frame : tag.frames)
    if (frame.id == id) return &frame;
  return nullptr;
}

uint32_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// The twelve values used by the round trips, by frame ID; one text has a Latin-1 letter.
const std::map<Id3v2Field, std::string> kSampleTexts = {
    {Id3v2Field::kComposer, "Composer C"},  {Id3v2Field::kOriginalArtist, "Orig Artist"},
    {Id3v2Field::kCopyright, "2026 Tolvo"}, {Id3v2Field::kUrl, "http://example.org/x"},
    {Id3v2Field::kEncodedBy, "tolvo"},      {Id3v2Field::kComment, "A comment"},
    {Id3v2Field::kGenre, "Rock"},           {Id3v2Field::kYear, "2026"},
    {Id3v2Field::kAlbum, "Album"},          {Id3v2Field::kArtist, "Artist"},
    {Id3v2Field::kTitle, "Caf\xE9 title"},  {Id3v2Field::kTrack, "7"},
};

class Id3v2WriteTest : public Id3v2FieldsTest {
 protected:
  void TearDown() override {
    Id3v2FieldsTest::TearDown();
    EXPECT_TRUE(test::ListFolder(tempFolder_).empty()) << "temporary file left";
  }
  std::string Mp3(const Bytes& bytes) {
    test::WriteFile(mp3_, bytes);
    return mp3_;
  }
  void SetSampleTexts() {
    for (const auto& [field, text] : kSampleTexts) SetId3v2FieldText(field, text.c_str());
  }
  const Bytes audio_ = test::AudioBytes(10000);
};

TEST_F(Id3v2WriteTest, FileWithoutTagGetsTheEmptyTagByteForByte) {
  Mp3(audio_);
  ASSERT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk);
  const Bytes expectedTag = {
      'I', 'D', '3', 3,   0,   0,   0,   0,   0x01, 0x13,        // size 147, syncsafe
      'T', 'E', 'N', 'C', 0,   0,   0,   1,   0x40, 0,    0,     // discard-on-alter flag
      'W', 'X', 'X', 'X', 0,   0,   0,   2,   0,    0,    0, 0,  // encoding, empty description
      'T', 'C', 'O', 'P', 0,   0,   0,   1,   0,    0,    0, 'T', 'O', 'P', 'E', 0,   0,   0,   1,
      0,   0,   0,   'T', 'C', 'O', 'M', 0,   0,    0,    1, 0,   0,   0,   'T', 'C', 'O', 'N', 0,
      0,   0,   1,   0,   0,   0,   'T', 'R', 'C',  'K',  0, 0,   0,   1,   0,   0,   0,   'C', 'O',
      'M', 'M', 0,   0,   0,   5,   0,   0,   0,    0,    0, 0,   0,  // language 00 00 00
      'T', 'Y', 'E', 'R', 0,   0,   0,   1,   0,    0,    0, 'T', 'A', 'L', 'B', 0,   0,   0,   1,
      0,   0,   0,   'T', 'P', 'E', '1', 0,   0,    0,    1, 0,   0,   0,   'T', 'I', 'T', '2', 0,
      0,   0,   1,   0,   0,   0,   0,   0,   0,    0,    0, 0,   0,   0,   0,   0};  // padding
  ASSERT_EQ(expectedTag.size(), 157u);
  EXPECT_EQ(test::ReadFile(mp3_), Concat({expectedTag, audio_}));
}

TEST_F(Id3v2WriteTest, FieldTextsGoIntoTheirFramesInTheFixedOrder) {
  Mp3(audio_);
  SetSampleTexts();
  ASSERT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk);
  ParsedTag tag = ParseTag(test::ReadFile(mp3_));
  EXPECT_EQ(IdsOf(tag), (std::vector<std::string>{"TENC", "WXXX", "TCOP", "TOPE", "TCOM", "TCON",
                                                  "TRCK", "COMM", "TYER", "TALB", "TPE1", "TIT2"}));
  EXPECT_EQ(tag.paddingBytes, 10u);
  EXPECT_EQ(tag.after, audio_);
  EXPECT_EQ(FindFrame(tag, "TIT2")->data, TextData("Caf\xE9 title"));
  EXPECT_EQ(FindFrame(tag, "WXXX")->data, Concat({Bytes{0, 0}, TextBytes("http://example.org/x")}));
  EXPECT_EQ(FindFrame(tag, "COMM")->data, Concat({Bytes{0, 0, 0, 0, 0}, TextBytes("A comment")}));
  EXPECT_EQ(FindFrame(tag, "TENC")->flags[0], 0x40);
  EXPECT_EQ(FindFrame(tag, "TCON")->data, TextData("Rock"));  // never turned into "(17)"
}

TEST_F(Id3v2WriteTest, RewriteKeepsOldPlacesAndCopiesForeignFrames) {
  const Bytes txxx = Concat({Bytes{0}, TextBytes("mood"), Bytes{0}, TextBytes("calm")});
  const Bytes priv = Concat({TextBytes("owner"), Bytes{0}, TextBytes("data")});
  Mp3(Concat(
      {test::Id3v2Tag(Concat({Frame("TIT2", TextData("Old title")), Frame("TXXX", txxx),
                              Frame("TALB", TextData("Old album")), Frame("PRIV", priv, 0x00C0)}),
                      30),
       audio_}));
  SetId3v2FieldText(Id3v2Field::kTitle, "New title");
  SetId3v2FieldText(Id3v2Field::kAlbum, "New album");
  ASSERT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk);
  ParsedTag tag = ParseTag(test::ReadFile(mp3_));
  EXPECT_EQ(IdsOf(tag),
            (std::vector<std::string>{"TIT2", "TXXX", "TALB", "PRIV", "TENC", "WXXX", "TCOP",
                                      "TOPE", "TCOM", "TCON", "TRCK", "COMM", "TYER", "TPE1"}));
  EXPECT_EQ(tag.frames[0].data, TextData("New title"));
  EXPECT_EQ(tag.frames[1].data, txxx);
  EXPECT_EQ(tag.frames[2].data, TextData("New album"));
  EXPECT_EQ(tag.frames[3].data, priv);
  EXPECT_EQ(tag.frames[3].flags[0], 0);  // copied frames lose their flags
  EXPECT_EQ(tag.paddingBytes, 10u);      // the old padding is dropped
  EXPECT_EQ(tag.after, audio_);
}

TEST_F(Id3v2WriteTest, SecondFrameOfAnIdIsDropped) {
  Mp3(Concat({test::Id3v2Tag(Concat({Frame("COMM", Bytes{0, 'e', 'n', 'g', 0, 'a'}),
                                     Frame("TPE1", TextData("A")),
                                     Frame("COMM", Bytes{0, 'e', 'n', 'g', 0, 'b'})})),
              audio_}));
  SetId3v2FieldText(Id3v2Field::kComment, "new");
  ASSERT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk);
  ParsedTag tag = ParseTag(test::ReadFile(mp3_));
  ASSERT_EQ(tag.frames.size(), 12u);
  EXPECT_EQ(tag.frames[0].id, "COMM");
  // The new comment keeps the language of the one it replaces.
  EXPECT_EQ(tag.frames[0].data, Concat({Bytes{0, 'e', 'n', 'g', 0}, TextBytes("new")}));
  EXPECT_EQ(tag.frames[1].id, "TPE1");
}

TEST_F(Id3v2WriteTest, FramesThatDisagreeWithTheTagAreRefused) {
  // A frame that claims more than the file, one that runs past the tag's end, a 2.2 frame that
  // 2.3 has no name for, a compressed title: none can be carried faithfully, so the file stays.
  const Bytes cases[] = {
      Concat({test::Id3v2Tag(Concat({Frame("TXXX", TextData("kept")),
                                     test::FrameDeclaring("XBAD", 0x7FFFFFF0, Bytes{}),
                                     Frame("TYYY", TextData("dropped"))})),
              audio_}),
      Concat({test::Id3v2Tag(test::FrameDeclaring("XRUN", 500, TextData("short"))), audio_}),
      Concat({Bytes{'I', 'D', '3', 2, 0, 0, 0, 0, 0, 20}, Bytes{'C', 'R', 'M', 0, 0, 4},
              Bytes{'a', 0, 'b', 'c'}, Bytes(10, 0), audio_}),
      Concat({test::Id3v2Tag(Frame("TIT2", Bytes{0, 0, 0, 9, 0x78, 0x9C}, 0x0080)), audio_}),
  };
  for (const Bytes& file : cases) {
    Mp3(file);
    EXPECT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteCannotCarry);
    EXPECT_EQ(test::ReadFile(mp3_), file);
  }
}

TEST_F(Id3v2WriteTest, RefusalsLeaveTheFileUntouched) {
  // A frame that runs past the end of its tag cannot be carried: 9.
  const Bytes cut =
      Concat({test::Id3v2Tag(Concat({Frame("TIT2", TextData("t")),
                                     test::FrameDeclaring("XRUN", 500, TextData("short"))})),
              audio_});
  Mp3(cut);
  EXPECT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteCannotCarry);
  EXPECT_EQ(test::ReadFile(mp3_), cut);

  // Read-only: 1 for both operations, mode and content unchanged.
  const Bytes tagged = Concat({test::Id3v2Tag(Frame("TIT2", TextData("t"))), audio_});
  Mp3(tagged);
  ASSERT_EQ(chmod(mp3_.c_str(), 0444), 0);
  EXPECT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteReadOnly);
  EXPECT_EQ(RemoveId3v2(mp3_.c_str()), kId3v2RemoveReadOnly);
  EXPECT_EQ(test::ReadFile(mp3_), tagged);
  EXPECT_EQ(ModeOf(mp3_), 0444u);
  ASSERT_EQ(chmod(mp3_.c_str(), 0644), 0);

  // A temporary folder that does not exist: 2 for both.
  CopyPathField(State().tempFolder, (dir_ / "no-such-folder").c_str());
  EXPECT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteNoTempFile);
  EXPECT_EQ(RemoveId3v2(mp3_.c_str()), kId3v2RemoveNoTempFile);
  EXPECT_EQ(test::ReadFile(mp3_), tagged);
}

TEST_F(Id3v2WriteTest, MissingFileGives5ForWriteAnd0ForRemoveAndCreatesNothing) {
  const std::string missing = dir_ / "missing.mp3";
  EXPECT_EQ(WriteId3v2(missing.c_str()), kId3v2WriteCannotReadMp3);
  EXPECT_EQ(RemoveId3v2(missing.c_str()), kId3v2RemoveOk);
  EXPECT_FALSE(test::Exists(missing));
  EXPECT_EQ(test::ListFolder(dir_.path()), std::vector<std::string>{"tmp"});
}

TEST_F(Id3v2WriteTest, RemovalLeavesExactlyTheBytesAfterTheTag) {
  Mp3(Concat({test::Id3v2Tag(Frame("TIT2", TextData("t")), 100), audio_}));
  EXPECT_EQ(RemoveId3v2(mp3_.c_str()), kId3v2RemoveOk);
  EXPECT_EQ(test::ReadFile(mp3_), audio_);
  // Nothing left to remove: 0 and the file as it was.
  EXPECT_EQ(RemoveId3v2(mp3_.c_str()), kId3v2RemoveOk);
  EXPECT_EQ(test::ReadFile(mp3_), audio_);
}

// A library often reaches its files through symbolic links: the tag goes into the real file and
// the link stays a link.
TEST_F(Id3v2WriteTest, WriteAndRemovalThroughASymbolicLinkChangeTheRealFile) {
  const std::string link = dir_ / "link.mp3";
  Mp3(Concat({test::Id3v2Tag(Frame("TIT2", TextData("old"))), audio_}));
  ASSERT_EQ(symlink("song.mp3", link.c_str()), 0);
  SetId3v2FieldText(Id3v2Field::kTitle, "new");
  ASSERT_EQ(WriteId3v2(link.c_str()), kId3v2WriteOk);
  struct stat st {};
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ParseTag(test::ReadFile(mp3_)).after, audio_);
  EXPECT_NE(test::ReadFile(mp3_), Concat({test::Id3v2Tag(Frame("TIT2", TextData("old"))), audio_}));
  ASSERT_EQ(RemoveId3v2(link.c_str()), kId3v2RemoveOk);
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(test::ReadFile(mp3_), audio_);
}

TEST_F(Id3v2WriteTest, Id3v1TagAtTheEndSurvivesWriteAndRemoval) {
  test::Id3v1Parts parts;
  parts.title = "v1 title";
  const Bytes tail = Concat({audio_, test::Id3v1Record(parts)});
  Mp3(Concat({test::Id3v2Tag(Frame("TIT2", TextData("old"))), tail}));
  ASSERT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk);
  EXPECT_EQ(ParseTag(test::ReadFile(mp3_)).after, tail);
  ASSERT_EQ(RemoveId3v2(mp3_.c_str()), kId3v2RemoveOk);
  EXPECT_EQ(test::ReadFile(mp3_), tail);
}

TEST_F(Id3v2WriteTest, ReplacementKeepsModeAndOwnerOnTheSameAndAnotherFileSystem) {
  Mp3(audio_);
  ASSERT_EQ(chmod(mp3_.c_str(), 0640), 0);
  ASSERT_EQ(chown(mp3_.c_str(), 65534, 65534), 0);  // the temporary file is root's
  ASSERT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk);
  EXPECT_EQ(ModeOf(mp3_), 0640u);
  struct stat owner {};
  ASSERT_EQ(stat(mp3_.c_str(), &owner), 0);
  EXPECT_EQ(owner.st_uid, 65534u);
  EXPECT_EQ(owner.st_gid, 65534u);
  const Bytes written = test::ReadFile(mp3_);

  // A temporary folder on another file system goes through a sibling copy.
  const std::string other = test::OtherFileSystemThan(dir_.path());
  if (other.empty()) GTEST_SKIP() << "no second file system (/dev/shm) for the temporary folder";
  test::TempDir elsewhere(other);
  CopyPathField(State().tempFolder, elsewhere.path().c_str());
  ASSERT_EQ(chmod(mp3_.c_str(), 0604), 0);
  EXPECT_EQ(RemoveId3v2(mp3_.c_str()), kId3v2RemoveOk);
  EXPECT_EQ(test::ReadFile(mp3_), audio_);
  EXPECT_EQ(ModeOf(mp3_), 0604u);
  EXPECT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk);
  EXPECT_EQ(test::ReadFile(mp3_), written);
  EXPECT_TRUE(test::ListFolder(elsewhere.path()).empty());
  EXPECT_EQ(test::ListFolder(dir_.path()).size(), 2u);  // song.mp3 and tmp: no sibling left
}

TEST_F(Id3v2WriteTest, FolderWithoutWriteAccessIsOverwrittenInPlace) {
  // An ordinary user owns the file but not its folder: no sibling can be made, so the
  // finished file is written over the MP3 (same inode). Runs as that user in a child.
  constexpr uid_t kNobody = 65534;
  ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
  const std::string folder = dir_ / "locked";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string mp3 = folder + "/song.mp3";
  test::WriteFile(mp3,
                  Concat({test::Id3v2Tag(Frame("TIT2", TextData("a long old title"))), audio_}));
  ASSERT_EQ(chown(mp3.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(chmod(tempFolder_.c_str(), 0777), 0);
  struct stat before {};
  ASSERT_EQ(stat(mp3.c_str(), &before), 0);

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setresgid(kNobody, kNobody, kNobody) != 0 || setresuid(kNobody, kNobody, kNobody) != 0)
      _exit(100);
    SetId3v2FieldText(Id3v2Field::kTitle, "T");
    _exit(WriteId3v2(mp3.c_str()));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), kId3v2WriteOk);
  struct stat after {};
  ASSERT_EQ(stat(mp3.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  ParsedTag tag = ParseTag(test::ReadFile(mp3));
  EXPECT_EQ(tag.frames[0].data, TextData("T"));
  EXPECT_EQ(tag.after, audio_);  // a shorter file is cut to its new length
  EXPECT_EQ(test::ListFolder(folder).size(), 1u);
}

// The real engine library, driven by its command texts as the control drives it.
TEST_F(Id3v2WriteTest, WriteThenReadThroughInterface1GivesBackAllTwelveTexts) {
  platform::Library engine(platform::LoadLibrary(test::OutDir() + "/libtolvomp3enc2.so"));
  ASSERT_TRUE(engine) << platform::LastLibraryError();
  using Entry = int32_t (*)(const char*, intptr_t, intptr_t, intptr_t);
  auto call = reinterpret_cast<Entry>(platform::FindSymbol(engine.get(), "interface1"));
  ASSERT_NE(call, nullptr);
  auto text = [](const std::string& s) { return reinterpret_cast<intptr_t>(s.c_str()); };
  const std::map<std::string, std::string> values = {{"Composer", "Composer C"},
                                                     {"OriginalArtist", "Orig"},
                                                     {"Copyright", "(c) 2026"},
                                                     {"URL", "http://example.org"},
                                                     {"EncodedBy", "tolvo"},
                                                     {"Comment", "Comment text"},
                                                     {"Genre", "Jazz"},
                                                     {"Year", "2026"},
                                                     {"Album", "Album A"},
                                                     {"Artist", "Artist B"},
                                                     {"Title", "Title \xC3\xA9 \xD0\x9F"},
                                                     {"Track", "3/9"}};
  Mp3(audio_);
  call("definetempfolder", text(tempFolder_), 0, 0);
  call("v2cleanup", 0, 0, 0);
  for (const auto& [name, value] : values) call(("wv2" + name).c_str(), text(value), 0, 0);
  ASSERT_EQ(call("setid3v2", text(mp3_), 0, 0), 0);
  call("v2cleanup", 0, 0, 0);

  ASSERT_EQ(call("getid3v2", text(mp3_), 0, 0), 0);
  for (const auto& [name, value] : values) {
    const int32_t size = call(("v2" + name + "size").c_str(), 0, 0, 0);
    EXPECT_EQ(size, static_cast<int32_t>(value.size())) << name;
    std::vector<char> buffer(static_cast<size_t>(size) + 10, 'x');
    call(("v2" + name).c_str(), reinterpret_cast<intptr_t>(buffer.data()), 0, 0);
    EXPECT_EQ(std::string(buffer.data()), value) << name;
  }
  call("v2cleanup", 0, 0, 0);
  EXPECT_EQ(call("remove_id3v2_tag", text(mp3_), 0, 0), 0);
  EXPECT_EQ(test::ReadFile(mp3_), audio_);
}

// Runs a Python program with Debian's interpreter (the one that has mutagen).
std::string RunPython(const test::TempDir& dir, const std::string& program,
                      const std::string& arg) {
  const std::string script = dir / "peer.py";
  test::WriteFile(script, TextBytes(program));
  std::string output;
  EXPECT_EQ(test::RunCommand("/usr/bin/python3 " + script + " " + arg, &output), 0) << output;
  return output;
}

TEST_F(Id3v2WriteTest, MutagenReadsOurTagWithTheTwelveValues) {
  Mp3(audio_);
  SetSampleTexts();
  ASSERT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk);
  const std::string output = RunPython(dir_, R"(
import sys
from mutagen.id3 import ID3
tag = ID3(sys.argv[1], translate=False)
for frame in sorted(tag.values(), key=lambda f: f.FrameID):
    value = frame.url if frame.FrameID == "WXXX" else str(frame.text[0])
    print(frame.FrameID + "=" + value.encode("latin-1").hex())
)",
                                       mp3_);
  auto hex = [](const std::string& s) {
    std::string out;
    for (unsigned char c : s) out += "0123456789abcdef"[c >> 4], out += "0123456789abcdef"[c & 15];
    return out;
  };
  std::map<std::string, std::string> byId;
  const std::map<Id3v2Field, const char*> ids = {
      {Id3v2Field::kComposer, "TCOM"},  {Id3v2Field::kOriginalArtist, "TOPE"},
      {Id3v2Field::kCopyright, "TCOP"}, {Id3v2Field::kUrl, "WXXX"},
      {Id3v2Field::kEncodedBy, "TENC"}, {Id3v2Field::kComment, "COMM"},
      {Id3v2Field::kGenre, "TCON"},     {Id3v2Field::kYear, "TYER"},
      {Id3v2Field::kAlbum, "TALB"},     {Id3v2Field::kArtist, "TPE1"},
      {Id3v2Field::kTitle, "TIT2"},     {Id3v2Field::kTrack, "TRCK"}};
  for (const auto& [field, id] : ids) byId[id] = hex(kSampleTexts.at(field));
  std::string expected;
  for (const auto& [id, value] : byId) expected += id + "=" + value + "\n";
  EXPECT_EQ(output, expected);
}

TEST_F(Id3v2WriteTest, RewriteOfAMutagenTagKeepsItsOtherFramesByteForByte) {
  Mp3(audio_);
  RunPython(dir_, R"(
import sys
from mutagen.id3 import ID3, TIT2, TXXX, APIC
tag = ID3()
tag.add(TIT2(encoding=0, text="Old title"))
tag.add(TXXX(encoding=0, desc="mood", text="calm"))
tag.add(APIC(encoding=0, mime="image/png", type=3, desc="cover", data=bytes(range(256)) * 200))
tag.save(sys.argv[1], v2_version=3)
)",
            mp3_);
  const ParsedTag before = ParseTag(test::ReadFile(mp3_));
  ASSERT_EQ(before.after, audio_);
  const ParsedFrame* apic = FindFrame(before, "APIC");
  ASSERT_NE(apic, nullptr);
  ASSERT_GT(apic->data.size(), 51200u);
  ASSERT_NE(FindFrame(before, "TXXX"), nullptr);

  SetSampleTexts();
  ASSERT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk);
  const ParsedTag after = ParseTag(test::ReadFile(mp3_));
  EXPECT_EQ(after.after, audio_);
  for (const char* id : {"TXXX", "APIC"}) {
    ASSERT_NE(FindFrame(after, id), nullptr) << id;
    EXPECT_EQ(FindFrame(after, id)->data, FindFrame(before, id)->data) << id;
    EXPECT_EQ(FindFrame(after, id)->flags[0], FindFrame(before, id)->flags[0]) << id;
  }
  const std::string output = RunPython(dir_, R"(
import sys
from mutagen.id3 import ID3
tag = ID3(sys.argv[1], translate=False)
print(tag["TIT2"].text[0].encode("latin-1").hex(), tag["TXXX:mood"].text[0],
      tag["APIC:cover"].data == bytes(range(256)) * 200)
)",
                                       mp3_);
  EXPECT_EQ(output, "436166e9207469746c65 calm True\n");
}

}  // namespace
}  // namespace tolvo::engine
