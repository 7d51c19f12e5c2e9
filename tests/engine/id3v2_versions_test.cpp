// Every ID3v2 version the tag code meets, against literal bytes: 2.2, 2.3 and 2.4 tags in each
// text encoding, with extended headers, unsynchronisation, footers, hostile and plain 2.4 sizes,
// read into the field set; and the same tags rewritten, frame for frame.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/counted_alloc.h"
#include "core/engine_state.h"
#include "id3/id3v1.h"
#include "id3/id3v2_fields.h"
#include "id3/id3v2_reader.h"
#include "id3/id3v2_remover.h"
#include "id3/id3v2_writer.h"
#include "id3_builders.h"
#include "id3v2_fields_fixture.h"
#include "test_support.h"

namespace tolvo::engine {
namespace {

using test::Bytes;
using test::Concat;
using test::Frame;
using test::Frame22;
using test::Frame24;
using test::FrameDeclaring;
using test::Id3v2TagOf;
using test::TextBytes;
using test::TextData;
using test::Unsynchronised;
using F = Id3v2Field;

// UTF-16 code units as bytes: little-endian with its mark, or big-endian without one.
Bytes Utf16Le(std::u16string_view text) {
  Bytes out = {0xFF, 0xFE};
  for (char16_t c : text)
    out.insert(out.end(), {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
  return out;
}
Bytes Utf16BeBare(std::u16string_view text) {
  Bytes out;
  for (char16_t c : text)
    out.insert(out.end(), {static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
  return out;
}
Bytes Enc(uint8_t encoding, const Bytes& text) { return Concat({Bytes{encoding}, text}); }
Bytes Comment(const Bytes& description, const Bytes& text, uint8_t encoding = 0) {
  return Concat({Bytes{encoding, 'e', 'n', 'g'}, description, text});
}

class Id3v2Versions : public Id3v2FieldsTest {
 protected:
  std::map<F, std::string> ReadFields(const Bytes& file, int32_t* result) {
    test::WriteFile(mp3_, file);
    *result = ReadId3v2(mp3_.c_str());
    std::map<F, std::string> fields;
    for (int i = 0; i < kId3v2FieldCount; ++i) {
      const Id3v2FieldValue& value = Id3v2Fields().fields[static_cast<size_t>(i)];
      if (value.text) {
        fields[static_cast<F>(i)] = value.text;
        EXPECT_EQ(value.size, static_cast<int32_t>(fields[static_cast<F>(i)].size()));
      }
    }
    ReleaseId3v2Fields();
    return fields;
  }
  const Bytes audio_ = test::AudioBytes(400);
};

TEST_F(Id3v2Versions, EveryVersionEncodingAndLayoutReadsIntoUtf8) {
  const Bytes title = TextData("Title");
  struct Case {
    const char* name;
    Bytes tag;
    std::map<F, std::string> expected;
  };
  const Case cases[] = {
      {"2.2 three-letter frames",
       Id3v2TagOf(
           2, 0,
           Concat({Frame22("PIC", Bytes{0, 'J', 'P', 'G', 3, 0, 0xFF, 0xD8}),
                   Frame22("TT2", TextData("Title22")), Frame22("TP1", TextData("Art")),
                   Frame22("COM", Comment({0}, TextBytes("c2"))), Frame22("TYE", TextData("1999")),
                   Frame22("WXX", Bytes{0, 0, 'u'}), Bytes(10, 0)})),
       {{F::kTitle, "Title22"},
        {F::kArtist, "Art"},
        {F::kComment, "c2"},
        {F::kYear, "1999"},
        {F::kUrl, "u"}}},
      {"2.3 UTF-16 with either byte-order mark",
       Id3v2TagOf(3, 0,
                  Concat({Frame("TIT2", Enc(1, Utf16Le(u"Пёс и кот"))),
                          Frame("TPE1", Concat({Bytes{1, 0xFE, 0xFF}, Utf16BeBare(u"坂本龍一")})),
                          Frame("COMM", Comment({0xFF, 0xFE, 0, 0}, Utf16Le(u"“€”"), 1))})),
       {{F::kTitle, "Пёс и кот"}, {F::kArtist, "坂本龍一"}, {F::kComment, "“€”"}}},
      {"2.4 UTF-16BE and UTF-8, first of several values",
       Id3v2TagOf(4, 0,
                  Concat({Frame24("TIT2", Enc(2, Concat({Utf16BeBare(u"Ω"), Bytes{0, 0},
                                                         Utf16BeBare(u"second")}))),
                          Frame24("TALB", Enc(3, TextBytes("Caf\xC3\xA9\0B"))),
                          Frame24("TPE1", TextData("\xE9\x80"))})),
       {{F::kTitle, "Ω"}, {F::kAlbum, "Café"}, {F::kArtist, "é€"}}},
      {"2.4 syncsafe size of a large frame",
       Id3v2TagOf(4, 0, Concat({Frame24("TXXX", Bytes(200, 'x')), Frame24("TIT2", title)})),
       {{F::kTitle, "Title"}}},
      {"2.4 size written as a plain number",
       Id3v2TagOf(4, 0,
                  Concat({FrameDeclaring("TXXX", 300, Bytes(300, 'x')), Frame24("TIT2", title),
                          Bytes(10, 0)})),
       {{F::kTitle, "Title"}}},
      {"2.3 extended header",
       Id3v2TagOf(3, 0x40, Concat({Bytes{0, 0, 0, 6, 0, 0, 0, 0, 0, 0}, Frame("TIT2", title)})),
       {{F::kTitle, "Title"}}},
      {"2.4 extended header",
       Id3v2TagOf(4, 0x40, Concat({Bytes{0, 0, 0, 6, 1, 0}, Frame24("TIT2", title)})),
       {{F::kTitle, "Title"}}},
      {"2.3 unsynchronised tag",
       Id3v2TagOf(3, 0x80,
                  Unsynchronised(Concat({Frame("APIC", Bytes{0xFF, 0xE0, 0xFF, 0x00, 0xFF}),
                                         Frame("TIT2", Bytes{0, 'a', 0xFF, 'b'})}))),
       {{F::kTitle,
         "a\xC3\xBF"
         "b"}}},
      {"2.4 unsynchronised frame",
       Id3v2TagOf(4, 0,
                  Concat({Frame24("TIT2", Unsynchronised(Bytes{0, 'a', 0xFF, 0xE0}), 0x0002),
                          Frame24("TPE1", TextData("x"))})),
       {{F::kTitle, "a\xC3\xBF\xC3\xA0"}, {F::kArtist, "x"}}},
      {"2.4 unsynchronisation flagged in the header only",
       Id3v2TagOf(4, 0x80, Frame24("TIT2", Unsynchronised(Bytes{0, 0xFF, 0x00}))),
       {{F::kTitle, "\xC3\xBF"}}},
      {"2.4 footer", Id3v2TagOf(4, 0x10, Frame24("TIT2", title)), {{F::kTitle, "Title"}}},
      {"2.4 grouping and data length bytes before the text",
       Id3v2TagOf(4, 0, Frame24("TIT2", Concat({Bytes{7, 0, 0, 0, 6}, title}), 0x0041)),
       {{F::kTitle, "Title"}}},
      {"compressed field frame is not taken as text",
       Id3v2TagOf(3, 0, Frame("TIT2", Bytes{0, 0, 0, 9, 0x78, 0x9C, 1}, 0x0080)),
       {}},
      {"year from TDRC without TYER; TYER wins over TDRC",
       Id3v2TagOf(4, 0, Concat({Frame24("TDRC", TextData("2021-03-04"))})),
       {{F::kYear, "2021-03-04"}}},
      {"TYER wins",
       Id3v2TagOf(3, 0, Concat({Frame("TYER", TextData("1999")), Frame("TDRC", TextData("2021"))})),
       {{F::kYear, "1999"}}},
      {"comment and URL: the empty description, else the first",
       Id3v2TagOf(3, 0,
                  Concat({Frame("COMM", Comment(Concat({TextBytes("iTunNORM"), Bytes{0}}),
                                                TextBytes(" 0000"))),
                          Frame("COMM", Comment({0}, TextBytes("plain"))),
                          Frame("COMM", Comment({0}, TextBytes("second"))),
                          Frame("WXXX", Concat({TextData("shop"), Bytes{0}, TextBytes("a")})),
                          Frame("WXXX", Concat({TextData("home"), Bytes{0}, TextBytes("b")}))})),
       {{F::kComment, "plain"}, {F::kUrl, "a"}}},
  };
  for (const Case& c : cases) {
    int32_t result = -1;
    const auto fields = ReadFields(Concat({c.tag, audio_}), &result);
    EXPECT_EQ(result, kId3v2ReadOk) << c.name;
    EXPECT_EQ(fields, c.expected) << c.name;
  }
}

// The twelve frames a rewrite appends for empty fields, in the fixed order, minus those the old
// tag had a place for; 2.4 keeps the year in TDRC and TENC's discard flag in its 2.4 bit.
// Every case sets the title to "Новый" and leaves the other fields empty.
const Bytes kNewTitle = Enc(1, Utf16Le(u"Новый"));  // UTF-16: the title has no Latin-1 form

Bytes PendingFrames(uint8_t version, const std::vector<std::string>& placed) {
  const bool v24 = version == 4;
  auto frame = [&](const char* id, const Bytes& data, uint16_t flags = 0) {
    for (const std::string& p : placed)
      if (p == id) return Bytes{};
    return v24 ? Frame24(id, data, flags) : Frame(id, data, flags);
  };
  return Concat({frame("TENC", {0}, v24 ? 0x2000 : 0x4000), frame("WXXX", {0, 0}),
                 frame("TCOP", {0}), frame("TOPE", {0}), frame("TCOM", {0}), frame("TCON", {0}),
                 frame("TRCK", {0}), frame("COMM", {0, 0, 0, 0, 0}),
                 frame(v24 ? "TDRC" : "TYER", {0}), frame("TALB", {0}), frame("TPE1", {0}),
                 frame("TIT2", kNewTitle)});
}
Bytes Tag(uint8_t version, const Bytes& frames) {
  return Id3v2TagOf(version, 0, Concat({frames, Bytes(10, 0)}));
}

TEST_F(Id3v2Versions, RewritesKeepEveryFrameAndTheVersionByteForByte) {
  const Bytes& newTitle = kNewTitle;
  const Bytes picture =
      Bytes{0, 'i', 'm', 'a', 'g', 'e', '/', 'j', 'p', 'e', 'g', 0, 3, 0, 0xFF, 0xD8};
  struct Case {
    const char* name;
    Bytes old;
    Bytes expected;                   // the whole new tag
    std::map<F, std::string> same{};  // fields given the text the old tag has
  };
  const Bytes utf16Encoder = Concat({Bytes{1}, Utf16Le(u"e"), Bytes{0, 0}});
  const Case cases[] = {
      {"2.4 stays 2.4 with syncsafe sizes, flags kept",
       Id3v2TagOf(4, 0,
                  Concat({Frame24("TIT2", TextData("old")),
                          Frame24("PRIV", Bytes(200, 'p'), 0x4000), Bytes(30, 0)})),
       Tag(4, Concat({Frame24("TIT2", newTitle), Frame24("PRIV", Bytes(200, 'p'), 0x4000),
                      PendingFrames(4, {"TIT2"})}))},
      {"2.4 plain size written syncsafe",
       Id3v2TagOf(4, 0, Concat({FrameDeclaring("TXXX", 300, Bytes(300, 'x')), Bytes(10, 0)})),
       Tag(4, Concat({Frame24("TXXX", Bytes(300, 'x')), PendingFrames(4, {})}))},
      {"2.4 TYER and TDRC are both the year",
       Id3v2TagOf(4, 0, Concat({Frame24("TYER", TextData("1")), Frame24("TDRC", TextData("2"))})),
       Tag(4, Concat({Frame24("TDRC", {0}), PendingFrames(4, {"TDRC"})}))},
      {"2.2 becomes 2.3, PIC becomes APIC",
       Id3v2TagOf(2, 0,
                  Concat({Frame22("PIC", Bytes{0, 'J', 'P', 'G', 3, 0, 0xFF, 0xD8}),
                          Frame22("TT2", TextData("old")), Frame22("TXX", Bytes{0, 'k', 0, 'v'})})),
       Tag(3, Concat({Frame("APIC", picture), Frame("TIT2", newTitle),
                      Frame("TXXX", Bytes{0, 'k', 0, 'v'}), PendingFrames(3, {"TIT2"})}))},
      {"2.3 unsynchronisation undone",
       Id3v2TagOf(3, 0x80, Unsynchronised(Frame("PRIV", Bytes{'o', 0, 0xFF, 0xE0, 0xFF}))),
       Tag(3, Concat({Frame("PRIV", Bytes{'o', 0, 0xFF, 0xE0, 0xFF}), PendingFrames(3, {})}))},
      {"2.4 frame unsynchronisation undone, its flag cleared",
       Id3v2TagOf(4, 0, Frame24("PRIV", Unsynchronised(Bytes{'o', 0, 0xFF, 0xE0}), 0x0042)),
       Tag(4, Concat({Frame24("PRIV", Bytes{'o', 0, 0xFF, 0xE0}, 0x0040), PendingFrames(4, {})}))},
      {"extended header dropped",
       Id3v2TagOf(3, 0x40,
                  Concat({Bytes{0, 0, 0, 6, 0, 0, 0, 0, 0, 0}, Frame("TXXX", {0, 'a', 0})})),
       Tag(3, Concat({Frame("TXXX", {0, 'a', 0}), PendingFrames(3, {})}))},
      {"2.4 footer dropped", Id3v2TagOf(4, 0x10, Frame24("TXXX", {0, 'a', 0})),
       Tag(4, Concat({Frame24("TXXX", {0, 'a', 0}), PendingFrames(4, {})}))},
      {"compressed and encrypted foreign frames carried as they are",
       Id3v2TagOf(3, 0,
                  Concat({Frame("GEOB", Bytes{0, 0, 0, 9, 0x78, 0x9C}, 0x0080),
                          Frame("PRIV", Bytes{0x80, 1, 2}, 0x0040)})),
       Tag(3, Concat({Frame("GEOB", Bytes{0, 0, 0, 9, 0x78, 0x9C}, 0x0080),
                      Frame("PRIV", Bytes{0x80, 1, 2}, 0x0040), PendingFrames(3, {})}))},
      {"comments with a description kept, the plain one replaced with its language",
       Id3v2TagOf(
           3, 0,
           Concat(
               {Frame("COMM", Comment(Concat({TextBytes("iTunNORM"), Bytes{0}}), TextBytes("n"))),
                Frame("COMM", Concat({Bytes{1, 'd', 'e', 'u', 0xFF, 0xFE, 0, 0}, Utf16Le(u"x")})),
                Frame("COMM", Comment({0}, TextBytes("dropped")))})),
       Tag(3, Concat({Frame("COMM",
                            Comment(Concat({TextBytes("iTunNORM"), Bytes{0}}), TextBytes("n"))),
                      Frame("COMM", Bytes{0, 'd', 'e', 'u', 0}), PendingFrames(3, {"COMM"})}))},
      {"a field that keeps its text keeps its frame's data (encoding, second value) under the "
       "writer's header",
       Id3v2TagOf(4, 0,
                  Concat({Frame24("TENC", utf16Encoder), Frame24("TPE1", Bytes{3, 'A', 0, 'B'}),
                          Frame24("TYER", TextData("1999"))})),
       Tag(4,
           Concat({Frame24("TENC", utf16Encoder, 0x2000), Frame24("TPE1", Bytes{3, 'A', 0, 'B'}),
                   Frame24("TDRC", TextData("1999")), PendingFrames(4, {"TENC", "TPE1", "TDRC"})})),
       {{F::kEncodedBy, "e"}, {F::kArtist, "A"}, {F::kYear, "1999"}}},
  };
  for (const Case& c : cases) {
    test::WriteFile(mp3_, Concat({c.old, audio_}));
    ReleaseId3v2Fields();
    SetId3v2FieldText(F::kTitle, "Новый");
    for (const auto& [field, text] : c.same) SetId3v2FieldText(field, text.c_str());
    ASSERT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk) << c.name;
    EXPECT_EQ(test::ReadFile(mp3_), Concat({c.expected, audio_})) << c.name;
  }
}

TEST_F(Id3v2Versions, OwnLatin1TagIsRewrittenByteForByteAndAFooterGoesWithItsTag) {
  test::WriteFile(mp3_, audio_);
  const char* texts[kId3v2FieldCount] = {"Composer", "Orig", "(c)",   "http://x.example/",
                                         "tolvo",    "Note", "Rock",  "2024",
                                         "Album",    "Café", "Títle", "3/12"};
  for (int i = 0; i < kId3v2FieldCount; ++i) SetId3v2FieldText(static_cast<F>(i), texts[i]);
  ASSERT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk);
  const Bytes first = test::ReadFile(mp3_);
  const Bytes latin1 = {'T', 'P', 'E', '1', 0, 0, 0, 5, 0, 0, 0, 'C', 'a', 'f', 0xE9};
  EXPECT_NE(std::search(first.begin(), first.end(), latin1.begin(), latin1.end()), first.end());
  ASSERT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk);
  EXPECT_EQ(test::ReadFile(mp3_), first);

  test::WriteFile(mp3_, Concat({Id3v2TagOf(4, 0x10, Frame24("TIT2", TextData("t"))), audio_}));
  ASSERT_EQ(RemoveId3v2(mp3_.c_str()), kId3v2RemoveOk);
  EXPECT_EQ(test::ReadFile(mp3_), audio_);
}

TEST_F(Id3v2Versions, OnlyMp3FilesAreTagged) {
  const Bytes tag = Id3v2TagOf(3, 0, Frame("TIT2", TextData("t")));
  const Bytes others[] = {
      Concat({TextBytes("RIFF"), Bytes{36, 0, 0, 0}, TextBytes("WAVEfmt "), audio_}),
      Concat({TextBytes("fLaC"), audio_}),
      Concat({TextBytes("OggS"), audio_}),
      Concat({Bytes{0, 0, 0, 24}, TextBytes("ftypM4A "), audio_}),
      Concat({TextBytes("FORM"), Bytes{0, 0, 1, 0}, TextBytes("AIFF"), audio_}),
      Concat({tag, TextBytes("RIFF"), Bytes{36, 0, 0, 0}, TextBytes("WAVE"), audio_}),
      Bytes(400, 'x'),  // no frame sync at all
  };
  for (const Bytes& file : others) {
    test::WriteFile(mp3_, file);
    EXPECT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteNotMp3);
    EXPECT_EQ(WriteId3v1(mp3_.c_str()), kId3v1WriteNotMp3);
    EXPECT_EQ(test::ReadFile(mp3_), file);
  }
  test::WriteFile(mp3_, Concat({tag, audio_}));
  EXPECT_EQ(WriteId3v2(mp3_.c_str()), kId3v2WriteOk);
  EXPECT_EQ(WriteId3v1(mp3_.c_str()), kId3v1Ok);
}

}  // namespace
}  // namespace tolvo::engine
