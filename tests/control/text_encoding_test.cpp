// UTF-8 against UTF-16, byte for byte.
#include "host/text_encoding.h"

#include <gtest/gtest.h>

namespace tolvo::control {
namespace {

using namespace std::string_literals;

TEST(Utf8, EncodesEveryLengthAndReplacesLoneSurrogates) {
  EXPECT_EQ(ToUtf8(u"a\u00E9\u20AC\U0001F600"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(ToUtf8(u"\xD800x"s), "\xEF\xBF\xBDx");
  EXPECT_EQ(ToUtf8(u"x\xDC00"s), "x\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(u"\xDC00\xD800"s), "\xEF\xBF\xBD\xEF\xBF\xBD");  // wrong order
  EXPECT_EQ(ToUtf8(u"a\0b"s), "a\0b"s);
}

TEST(Utf8, DecodesValidTextAndReplacesEachMalformedSequence) {
  EXPECT_EQ(FromUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"a\u00E9\u20AC\U0001F600");
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");                      // overlong
  EXPECT_EQ(FromUtf8("\xE0\x80\xAF"), u"\uFFFD\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");            // encoded surrogate
  EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // > U+10FFFF
  EXPECT_EQ(FromUtf8("\xE2\x82x"), u"\uFFFDx");                          // cut, then ASCII
  EXPECT_EQ(FromUtf8("x\xF0\x9F\x98"), u"x\uFFFD");                      // cut at the end
  EXPECT_EQ(FromUtf8("\x80\xFF"), u"\uFFFD\uFFFD");
}

}  // namespace
}  // namespace tolvo::control
