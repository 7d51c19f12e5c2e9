// ID3v2 reading: the header and size encodings against literal bytes, the three text decodings,
// the frame walk with its limits and hostile sizes, the genre references, and the counted blocks
// that every path must give back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/command.h"
#include "core/counted_alloc.h"
#include "faulty_file_system.h"
#include "id3/id3v2_fields.h"
#include "id3/id3v2_layout.h"
#include "id3/id3v2_reader.h"
#include "id3_builders.h"
#include "test_support.h"

namespace tolvo::engine {
namespace {

using test::Bytes;
using test::Concat;
using test::Frame;
using test::FrameDeclaring;
using test::Id3v2Tag;
using test::TextData;

int32_t Call(const std::string& name, intptr_t a1 = 0) {
  for (const Command& command : Id3v2Commands()) {
    if (name == command.name) return command.handler(a1, 0, 0);
  }
  ADD_FAILURE() << "no command " << name;
  return -1;
}
int32_t Size(const std::string& field) { return Call("v2" + field + "size"); }
std::string Text(const std::string& field) {
  char buffer[70000];
  std::memset(buffer, 0x55, 64);
  EXPECT_EQ(Call("v2" + field, reinterpret_cast<intptr_t>(buffer)), 0);
  return buffer;
}

class Id3v2ReadTest : public ::testing::Test {
 protected:
  void SetUp() override { ReleaseId3v2Fields(); }
  void TearDown() override {
    EXPECT_EQ(Call("v2cleanup"), 0);
    EXPECT_EQ(LiveBlocks(), 0);
  }
  std::string Mp3(const Bytes& bytes) {
    std::string path = dir_ / ("f" + std::to_string(++files_) + ".mp3");
    test::WriteFile(path, bytes);
    return path;
  }
  int32_t Read(const Bytes& bytes) { return Call("getid3v2", Path(Mp3(bytes))); }
  static intptr_t Path(const std::string& path) { return reinterpret_cast<intptr_t>(path.c_str()); }
  // Keeps the path alive for the call above.
  test::TempDir dir_;
  int files_ = 0;
};

TEST(Id3v2Layout, SizeEncodingsMatchLiteralBytes) {
  uint8_t bytes[4];
  id3v2::WriteSyncsafe(147, bytes);
  EXPECT_EQ(Bytes(bytes, bytes + 4), Bytes({0x00, 0x00, 0x01, 0x13}));
  id3v2::WriteSyncsafe(0x0FFFFFFF, bytes);
  EXPECT_EQ(Bytes(bytes, bytes + 4), Bytes({0x7F, 0x7F, 0x7F, 0x7F}));
  EXPECT_EQ(id3v2::ReadSyncsafe(bytes), 0x0FFFFFFFu);
  const uint8_t topBit[4] = {0x00, 0x00, 0x00, 0xFF};  // taken whole, not masked
  EXPECT_EQ(id3v2::ReadSyncsafe(topBit), 255u);
  const uint8_t bigEndian[4] = {0x00, 0x01, 0x02, 0x03};
  EXPECT_EQ(id3v2::ReadBigEndian32(bigEndian), 0x00010203u);
  id3v2::WriteBigEndian32(0xFA00, bytes);
  EXPECT_EQ(Bytes(bytes, bytes + 4), Bytes({0x00, 0x00, 0xFA, 0x00}));
  EXPECT_EQ(test::Id3v2Header(147), Bytes({'I', 'D', '3', 3, 0, 0, 0, 0, 1, 0x13}));

  std::string order;
  for (const auto& frame : id3v2::kFrameOrder) order += std::string(frame.id) + " ";
  EXPECT_EQ(order, "TENC WXXX TCOP TOPE TCOM TCON TRCK COMM TYER TALB TPE1 TIT2 ");
  EXPECT_EQ(id3v2::FindHandledFrame(reinterpret_cast<const uint8_t*>("COMM"))->minimumDataSize, 6);
  EXPECT_EQ(id3v2::FindHandledFrame(reinterpret_cast<const uint8_t*>("TXXX")), nullptr);
}

std::string Decode(const Bytes& data, id3v2::TextKind kind) {
  return DecodeFrameText(data.data(), data.size(), kind);
}

TEST(Id3v2Decode, EveryKindWithAndWithoutDescriptions) {
  using K = id3v2::TextKind;
  EXPECT_EQ(Decode({0x00, 0x41, 0x42, 0x43}, K::kText), "ABC");
  EXPECT_EQ(Decode({0x00}, K::kText), "");
  EXPECT_EQ(Decode({}, K::kText), "");
  EXPECT_EQ(Decode({0x01, 0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00}, K::kText), "AB");
  EXPECT_EQ(Decode({0x01, 0xFE, 0xFF, 0x04, 0x1F, 0x00, 0x00, 0x00, 0x42}, K::kText), "П");
  EXPECT_EQ(Decode({0x02, 0x00, 0x41, 0xD8, 0x3D, 0xDE, 0x00}, K::kText), "A😀");
  EXPECT_EQ(Decode({0x03, 0xC3, 0xA9, 0x00, 0x41}, K::kText), "é");
  EXPECT_EQ(Decode({0x00, 0xE9, 0x80}, K::kText), "é€");
  EXPECT_EQ(Decode({0x01, 0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00}, K::kText), "");
  // UTF-16 descriptions end with two zero bytes; a URL is always ISO-8859-1.
  EXPECT_EQ(
      Decode({0x01, 'e', 'n', 'g', 0xFF, 0xFE, 0x00, 0x00, 0xFF, 0xFE, 0x1F, 0x04}, K::kComment),
      "П");
  EXPECT_EQ(Decode({0x01, 0xFF, 0xFE, 'd', 0x00, 0x00, 0x00, 'h', 0xE9}, K::kUrl), "hé");
  EXPECT_EQ(Decode({0x00, 'e', 'n', 'g', 0x00, 'H', 'i'}, K::kComment), "Hi");
  EXPECT_EQ(Decode({0x00, 'e', 'n', 'g', 'd', 0x00, 'H', 'i'}, K::kComment), "Hi");
  EXPECT_EQ(Decode({0x00, 'e', 'n', 'g', 'd', 'H', 'i'}, K::kComment), "");  // no description end
  EXPECT_EQ(Decode({0x00, 'e', 'n', 'g', 0x00}, K::kComment), "");
  EXPECT_EQ(Decode({0x00, 0x00, 'a', 'b', 'c'}, K::kUrl), "abc");
  EXPECT_EQ(Decode({0x00, 'd', 0x00, 'a', 'b', 'c'}, K::kUrl), "abc");
  EXPECT_EQ(Decode({0x00, 'a', 'b', 'c'}, K::kUrl), "");
  EXPECT_EQ(Decode({0x00, 0x00}, K::kUrl), "");
}

TEST_F(Id3v2ReadTest, ReadsAllTwelveFieldsThroughTheCommands) {
  const Bytes frames = Concat({
      Frame("TCOM", TextData("Composer")),
      Frame("TOPE", TextData("Original")),
      Frame("TCOP", TextData("(c) 2026")),
      Frame("WXXX", Concat({Bytes{0, 0}, test::TextBytes("http://x")})),
      Frame("TENC", TextData("Enc"), 0x4000),
      Frame("COMM", Concat({Bytes{0, 'e', 'n', 'g', 0}, test::TextBytes("A comment")})),
      Frame("TCON", TextData("Jazz")),
      Frame("TYER", TextData("2026")),
      Frame("TALB", TextData("Album")),
      Frame("TPE1", TextData("Artist")),
      Frame("TIT2", TextData("Title")),
      Frame("TRCK", TextData("3/12")),
      Frame("TXXX", TextData("ignored")),
  });
  ASSERT_EQ(Read(Concat({Id3v2Tag(frames, 20), test::AudioBytes(300)})), 0);
  const std::pair<const char*, const char*> expected[] = {
      {"Composer", "Composer"},  {"OriginalArtist", "Original"},
      {"Copyright", "(c) 2026"}, {"URL", "http://x"},
      {"EncodedBy", "Enc"},      {"Comment", "A comment"},
      {"Genre", "Jazz"},         {"Year", "2026"},
      {"Album", "Album"},        {"Artist", "Artist"},
      {"Title", "Title"},        {"Track", "3/12"},
  };
  for (const auto& [field, text] : expected) {
    EXPECT_EQ(Text(field), text) << field;
    EXPECT_EQ(Size(field), static_cast<int32_t>(std::strlen(text))) << field;
  }
  // The set commands replace the text and leave the size of the read alone.
  EXPECT_EQ(Call("wv2Title", reinterpret_cast<intptr_t>("Longer title")), 0);
  EXPECT_EQ(Call("wv2Title", reinterpret_cast<intptr_t>("Second")), 0);
  EXPECT_EQ(Text("Title"), "Second");
  EXPECT_EQ(Size("Title"), 5);
}

TEST_F(Id3v2ReadTest, NoUsableTagEmptiesTheFieldSet) {
  ASSERT_EQ(Read(Concat({Id3v2Tag(Frame("TIT2", TextData("Old"))), test::AudioBytes(200)})), 0);
  EXPECT_EQ(Read(test::AudioBytes(300)), 1);  // no "ID3"
  EXPECT_EQ(Size("Title"), 0);
  EXPECT_EQ(Text("Title"), "");
  EXPECT_EQ(Read(Concat({test::Id3v2Header(1000), Frame("TIT2", TextData("T"))})), 1);  // too big
  EXPECT_EQ(Read({'I', 'D', '3', 3, 0}), 1);                                            // short
  EXPECT_EQ(Call("getid3v2", reinterpret_cast<intptr_t>((dir_ / "none.mp3").c_str())), 1);
  EXPECT_EQ(Call("getid3v2", 0), 1);
  EXPECT_EQ(Call("v2Title", 0), 0);  // no buffer: nothing is written

  // At least the tag size long, but not tag size + 10: the whole tag cannot be read.
  Bytes shortTag = Concat({test::Id3v2Header(40), Frame("TIT2", TextData("Cut")), Bytes(20, 1)});
  ASSERT_EQ(shortTag.size(), 44u);
  EXPECT_EQ(Read(shortTag), 2);
  EXPECT_EQ(Size("Title"), 0);
}

TEST_F(Id3v2ReadTest, PaddingAndExtendedHeadersEndTheWalkWithNothingRead) {
  EXPECT_EQ(Read(Concat({Id3v2Tag({}, 64), test::AudioBytes(200)})), 0);
  const Bytes extended = {0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(Read(Concat({Id3v2Tag(Concat({extended, Frame("TIT2", TextData("Hidden"))})),
                         test::AudioBytes(200)})),
            0);
  EXPECT_EQ(Size("Title"), 0);
  EXPECT_EQ(Text("Title"), "");
}

TEST_F(Id3v2ReadTest, GenreReferencesBecomeNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"(17)", "Rock"},   {"(17)Rock", "Rock"},
      {"( +0)", "Blues"}, {"(147)", "Synthpop"},
      {"(148)", "(148)"}, {"Rock", "Rock"},
      {"(-1)", "(-1)"},   {"(x)", "(x)"},
      {"(RX)", "(RX)"},   {"Rock (live)", "Rock (live)"},
      {"17)", "17)"},     {"(99999999999999999999)", "(99999999999999999999)"},
  };
  for (const auto& [stored, name] : cases) {
    ASSERT_EQ(Read(Concat({Id3v2Tag(Frame("TCON", TextData(stored))), test::AudioBytes(200)})), 0);
    EXPECT_EQ(Text("Genre"), name) << stored;
    EXPECT_EQ(Size("Genre"), static_cast<int32_t>(std::strlen(name))) << stored;
  }
}

TEST_F(Id3v2ReadTest, TheLastNonEmptyFrameOfAnIdWins) {
  const Bytes frames = Concat({Frame("TPE1", TextData("A")), Frame("TPE1", TextData("B")),
                               Frame("TPE1", TextData("")), Frame("TPE1", Bytes{0})});
  ASSERT_EQ(Read(Concat({Id3v2Tag(frames), test::AudioBytes(200)})), 0);
  EXPECT_EQ(Text("Artist"), "B");
}

TEST_F(Id3v2ReadTest, FramesOfAnySizeAreWalkedOverOrRead) {
  // A 300 KB picture before the title, and a 70000-character comment.
  const Bytes big = Frame("APIC", Bytes(300 * 1024, 0x41));
  const Bytes title = Frame("TIT2", TextData("After"));
  const Bytes comment = Frame("COMM", Concat({Bytes{0, 'e', 'n', 'g', 0}, Bytes(70000, 'c')}));
  EXPECT_EQ(Read(Concat({Id3v2Tag(Concat({big, title, comment})), test::AudioBytes(500)})), 0);
  EXPECT_EQ(Text("Title"), "After");
  EXPECT_EQ(Size("Comment"), 70000);
}

TEST_F(Id3v2ReadTest, ImpossibleSizesCountAsElevenByteFrames) {
  for (uint32_t declared : {0xFFFFFFFFu, 0x80000000u, 100000u}) {
    // The unknown frame is followed by one byte of its "data", then a real frame.
    const Bytes frames =
        Concat({FrameDeclaring("XXXX", declared, Bytes{'z'}), Frame("TIT2", TextData("After"))});
    Bytes file = Concat({Id3v2Tag(frames), test::AudioBytes(100)});
    ASSERT_LE(file.size(), 100000u);
    EXPECT_EQ(Read(file), 0) << declared;
    EXPECT_EQ(Text("Title"), "After") << declared;
  }
}

TEST_F(Id3v2ReadTest, AFrameRunningPastTheTagTakesOnlyBytesInsideIt) {
  // TIT2 claims 150 bytes, but the tag ends after 5; what follows the tag must not be read.
  const Bytes frame = FrameDeclaring("TIT2", 150, TextData("ABCD"));
  ASSERT_EQ(Read(Concat({Id3v2Tag(frame), Bytes(300, 'X')})), 0);
  EXPECT_EQ(Text("Title"), "ABCD");
  EXPECT_EQ(Size("Title"), 4);
}

TEST_F(Id3v2ReadTest, ATextTooLongForTheFileKeepsItsSizeAndStopsTheWalk) {
  // 110 bytes in all: "Al" + 100 fits, a 30-character title + 100 does not.
  const std::string title(30, 't');
  const Bytes tag = Id3v2Tag(Concat({Frame("TALB", TextData("Al")), Frame("TIT2", TextData(title)),
                                     Frame("TPE1", TextData("Never"))}));
  const Bytes file = Concat({tag, test::AudioBytes(110 - tag.size())});
  EXPECT_EQ(Read(file), 1);
  EXPECT_EQ(Text("Album"), "Al");
  EXPECT_EQ(Size("Title"), 30);
  EXPECT_EQ(Text("Title"), "");
  EXPECT_EQ(Size("Artist"), 0);
}

TEST_F(Id3v2ReadTest, EveryFailurePointGivesACodeAndLeavesNoBlockBehind) {
  const Bytes file = Concat(
      {Id3v2Tag(Concat({Frame("TIT2", TextData("Title")), Frame("TCON", TextData("(17)"))}), 10),
       test::AudioBytes(300)});
  const std::string path = Mp3(file);
  test::FaultyFileSystem fs;
  ASSERT_EQ(ReadId3v2(path.c_str(), fs), 0);
  const int calls = fs.calls();
  for (int n = 1; n <= calls; ++n) {
    fs.FailCall(n);
    const int32_t result = ReadId3v2(path.c_str(), fs);
    EXPECT_TRUE(result == 0 || result == 1 || result == 2) << n;
    if (result == 0) {
      EXPECT_EQ(Text("Genre"), "Rock") << n;
    } else {
      EXPECT_EQ(Size("Title"), 0) << n;
    }
    ReleaseId3v2Fields();
    EXPECT_EQ(LiveBlocks(), 0) << n;
  }
}

}  // namespace
}  // namespace tolvo::engine
