// Windows-1252 and UTF-8 against UTF-16, byte for byte, and the choice of encoding per command.
#include "host/text_encoding.h"

#include <gtest/gtest.h>

namespace tolvo::control {
namespace {

using namespace std::string_literals;
constexpr auto kCp1252 = TextEncoding::Windows1252;
constexpr auto kUtf8 = TextEncoding::Utf8;

TEST(Windows1252, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::u16string text = DecodeText(all, kCp1252);
  ASSERT_EQ(text.size(), 256u);
  EXPECT_EQ(EncodeText(text, kCp1252), all);
}

TEST(Windows1252, HighControlRangeMapsPerTheCodePage) {
  EXPECT_EQ(DecodeText("\x80\x81\x8A\x8D\x8F\x90\x99\x9D\x9F\xA0\xE9\xFF", kCp1252),
            u"\u20AC\u0081\u0160\u008D\u008F\u0090\u2122\u009D\u0178\u00A0\u00E9\u00FF");
  EXPECT_EQ(EncodeText(u"\u20AC\u201C\u201D\u2026\u0152\u017E", kCp1252),
            "\x80\x93\x94\x85\x8C\x9E");
}

TEST(Windows1252, CharactersTheCodePageLacksBecomeQuestionMarks) {
  // U+0080 is a C1 control that Windows-1252 spells differently; a surrogate pair is one
  // character; unpaired surrogates are characters of their own.
  EXPECT_EQ(EncodeText(u"A\u0100\u03A9\u0080\U0001F600Z", kCp1252), "A????Z");
  EXPECT_EQ(EncodeText(u"\xDC00x\xD800"s, kCp1252), "?x?");
  EXPECT_EQ(EncodeText(u"a\0b"s, kCp1252), "a\0b"s);
}

TEST(Utf8, EncodesEveryLengthAndReplacesLoneSurrogates) {
  EXPECT_EQ(EncodeText(u"a\u00E9\u20AC\U0001F600", kUtf8), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(EncodeText(u"\xD800x"s, kUtf8), "\xEF\xBF\xBDx");
  EXPECT_EQ(EncodeText(u"x\xDC00"s, kUtf8), "x\xEF\xBF\xBD");
  EXPECT_EQ(EncodeText(u"\xDC00\xD800"s, kUtf8), "\xEF\xBF\xBD\xEF\xBF\xBD");  // wrong order
  EXPECT_EQ(EncodeText(u"a\0b"s, kUtf8), "a\0b"s);
}

TEST(Utf8, DecodesValidTextAndReplacesEachMalformedSequence) {
  EXPECT_EQ(DecodeText("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", kUtf8), u"a\u00E9\u20AC\U0001F600");
  EXPECT_EQ(DecodeText("\xC0\xAF", kUtf8), u"\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(DecodeText("\xE0\x80\xAF", kUtf8), u"\uFFFD\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(DecodeText("\xED\xA0\x80", kUtf8), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(DecodeText("\xF4\x90\x80\x80", kUtf8), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // > U+10FFFF
  EXPECT_EQ(DecodeText("\xE2\x82x", kUtf8), u"\uFFFDx");                          // cut, then ASCII
  EXPECT_EQ(DecodeText("x\xF0\x9F\x98", kUtf8), u"x\uFFFD");                      // cut at the end
  EXPECT_EQ(DecodeText("\x80\xFF", kUtf8), u"\uFFFD\uFFFD");
}

TEST(CommandTextEncoding, TagFieldCommandsAndGenreNamesUseWindows1252) {
  for (const char16_t* command :
       {u"v1Title", u"wv1Title", u"v1Comment", u"wv1Year", u"v2OriginalArtist", u"wv2URL",
        u"v2Track", u"wv2EncodedBy", u"generategenre"}) {
    EXPECT_EQ(CommandTextEncoding(command), kCp1252) << std::string(command, command + 3);
  }
  for (const char16_t* command : {u"passpath", u"passfiles", u"getid3v1", u"setid3v2",
                                  u"remove_id3v2_tag", u"definetempfolder", u"V1Title", u"v1Title ",
                                  u"v2Titlesize", u"wwv1Title", u"v3Title", u"w", u""}) {
    EXPECT_EQ(CommandTextEncoding(command), kUtf8);
  }
}

}  // namespace
}  // namespace tolvo::control
