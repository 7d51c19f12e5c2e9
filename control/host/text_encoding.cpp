// UTF-8 and Windows-1252 to and from UTF-16, and the choice of encoding by engine command.
#include "host/text_encoding.h"

#include <array>
#include <cstdint>

namespace tolvo::control {
namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;

// Windows-1252 bytes 0x80-0x9F. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 code points of the same value, so that every byte survives a round
// trip.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

constexpr std::u16string_view kId3v1Fields[] = {u"Title",   u"Artist", u"Album", u"Year",
                                                u"Comment", u"Track",  u"Genre"};
constexpr std::u16string_view kId3v2Fields[] = {
    u"Composer", u"OriginalArtist", u"Copyright", u"URL",    u"EncodedBy", u"Comment",
    u"Genre",    u"Year",           u"Album",     u"Artist", u"Title",     u"Track"};

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

template <size_t N>
bool IsOneOf(std::u16string_view name, const std::u16string_view (&names)[N]) {
  for (auto candidate : names) {
    if (candidate == name) return true;
  }
  return false;
}

char ToWindows1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (size_t i = 0; i < kWindows1252High.size(); ++i) {
    if (kWindows1252High[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

// Decodes one UTF-8 sequence at bytes[i]; advances i past it, or past the longest valid prefix of
// a malformed one, which decodes as U+FFFD.
char32_t NextUtf8(std::string_view bytes, size_t& i) {
  const auto lead = static_cast<uint8_t>(bytes[i++]);
  if (lead < 0x80) return lead;
  size_t length;
  char32_t value;
  uint8_t secondMin = 0x80, secondMax = 0xBF;  // narrower for the lead bytes that need it
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F;
    if (lead == 0xE0) secondMin = 0xA0;  // overlong
    if (lead == 0xED) secondMax = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07;
    if (lead == 0xF0) secondMin = 0x90;  // overlong
    if (lead == 0xF4) secondMax = 0x8F;  // above U+10FFFF
  } else {
    return kReplacementCharacter;
  }
  for (size_t k = 1; k < length; ++k) {
    if (i >= bytes.size()) return kReplacementCharacter;
    const auto next = static_cast<uint8_t>(bytes[i]);
    const uint8_t low = k == 1 ? secondMin : 0x80;
    const uint8_t high = k == 1 ? secondMax : 0xBF;
    if (next < low || next > high) return kReplacementCharacter;
    value = (value << 6) | (next & 0x3F);
    ++i;
  }
  return value;
}

}  // namespace

TextEncoding CommandTextEncoding(std::u16string_view command) {
  if (command == u"generategenre") return TextEncoding::Windows1252;
  std::u16string_view name = command;
  if (!name.empty() && name.front() == u'w') name.remove_prefix(1);
  if (name.starts_with(u"v1") && IsOneOf(name.substr(2), kId3v1Fields)) {
    return TextEncoding::Windows1252;
  }
  if (name.starts_with(u"v2") && IsOneOf(name.substr(2), kId3v2Fields)) {
    return TextEncoding::Windows1252;
  }
  return TextEncoding::Utf8;
}

std::string EncodeText(std::u16string_view text, TextEncoding encoding) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((static_cast<char32_t>(text[i]) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      c = kReplacementCharacter;  // unpaired; Windows-1252 turns it into '?' below
    }
    if (encoding == TextEncoding::Utf8) {
      AppendUtf8(out, c);
    } else {
      out += ToWindows1252(c);
    }
  }
  return out;
}

std::u16string DecodeText(std::string_view bytes, TextEncoding encoding) {
  std::u16string out;
  out.reserve(bytes.size());
  if (encoding == TextEncoding::Windows1252) {
    for (char byte : bytes) {
      const auto b = static_cast<uint8_t>(byte);
      out += (b >= 0x80 && b <= 0x9F) ? kWindows1252High[b - 0x80] : static_cast<char16_t>(b);
    }
    return out;
  }
  for (size_t i = 0; i < bytes.size();) AppendUtf16(out, NextUtf8(bytes, i));
  return out;
}

}  // namespace tolvo::control
