// UTF-8 to and from UTF-16, written once for every part that crosses between the two: the
// runtime's texts, the control's methods and `tolvo`. Pure text rules over utf8.h, no system
// calls. Both directions replace what is malformed by U+FFFD: each malformed UTF-8 sequence (its
// longest valid prefix, at least one byte) and each unpaired surrogate. NULs are kept.
#pragma once

#include <string>
#include <string_view>

#include "tolvo/platform/utf8.h"

namespace tolvo::platform {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

inline std::u16string Utf8ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    char32_t c = utf8::Next(bytes, i);
    if (c == utf8::kMalformed) c = kReplacementCharacter;
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
  }
  return out;
}

inline std::string Utf16ToUtf8(std::u16string_view text) {
  const auto high = [](char16_t c) { return c >= 0xD800 && c <= 0xDBFF; };
  const auto low = [](char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (high(text[i]) && i + 1 < text.size() && low(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if (high(text[i]) || low(text[i])) {
      c = kReplacementCharacter;  // unpaired
    }
    utf8::Append(out, c);
  }
  return out;
}

}  // namespace tolvo::platform
