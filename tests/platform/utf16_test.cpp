// The one UTF-8/UTF-16 codec, against literal bytes in both directions.
#include "tolvo/platform/utf16.h"

#include <gtest/gtest.h>

namespace tolvo::platform {
namespace {

using namespace std::string_literals;

TEST(Utf16, ValidTextMakesTheRoundTripAtEveryLength) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"", u""},
      {"a\0b"s, u"a\0b"s},
      {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"a\u00E9\u20AC\U0001F600"},
      {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF", u"\uFFFF\U0010FFFF"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", u"\u65E5\u672C"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
  }
}

TEST(Utf16, EachMalformedUtf8SequenceBecomesOneReplacement) {
  struct Case {
    std::string bytes;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"\xE2\x82\x41", u"\uFFFDA"},                       // cut by ASCII: one, not two
      {"\xE2\x82x", u"\uFFFDx"},                          // the same, lower case
      {"x\xF0\x9F\x98", u"x\uFFFD"},                      // cut at the end
      {"\xC3", u"\uFFFD"},                                // lead byte alone
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/'
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\x80\xFF", u"\uFFFD\uFFFD"},                      // stray bytes
      {"a\xFF"s + "b\xC3", u"a\uFFFDb\uFFFD"},            // between valid ones
  };
  for (const Case& c : cases)
    EXPECT_EQ(Utf8ToUtf16(c.bytes), c.utf16) << testing::PrintToString(c.bytes);
}

TEST(Utf16, EachUnpairedSurrogateBecomesOneReplacement) {
  struct Case {
    std::u16string utf16;
    std::string utf8;
  };
  const Case cases[] = {
      {u"\xD800x"s, "\xEF\xBF\xBDx"},
      {u"x\xDC00"s, "x\xEF\xBF\xBD"},
      {u"\xDC00\xD800"s, "\xEF\xBF\xBD\xEF\xBF\xBD"},  // wrong order
      {u"\xD800\xD800\xDC00"s, "\xEF\xBF\xBD\xF0\x90\x80\x80"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
}

}  // namespace
}  // namespace tolvo::platform
