// UTF-8 sequences, written once for every part that converts texts: the control (UTF-16 to and
// from the engine's UTF-8) and the engine's tag code (UTF-8 to and from what a tag stores). Pure
// text rules, no system calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolvo::platform::utf8 {

// What Next answers for a malformed sequence.
inline constexpr char32_t kMalformed = 0xFFFFFFFF;

inline void Append(std::string& out, char32_t c) {
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

// The character of the sequence at bytes[i]; i moves past it. A malformed sequence (overlong
// forms, encoded surrogates, values above U+10FFFF, cut sequences, stray bytes) gives kMalformed,
// and i moves past its longest valid prefix, at least one byte.
inline char32_t Next(std::string_view bytes, size_t& i) {
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
    return kMalformed;
  }
  for (size_t k = 1; k < length; ++k) {
    if (i >= bytes.size()) return kMalformed;
    const auto next = static_cast<uint8_t>(bytes[i]);
    const uint8_t low = k == 1 ? secondMin : 0x80;
    const uint8_t high = k == 1 ? secondMax : 0xBF;
    if (next < low || next > high) return kMalformed;
    value = (value << 6) | (next & 0x3F);
    ++i;
  }
  return value;
}

}  // namespace tolvo::platform::utf8
