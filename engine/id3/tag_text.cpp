// UTF-8, UTF-16, ISO-8859-1 and Windows-1252 conversions of the tag code.
#include "id3/tag_text.h"

#include <array>

#include "tolvo/platform/utf8.h"

namespace tolvo::engine::tagtext {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252 bytes 0x80-0x9F; the five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) stand for the C1 characters of the same value.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char32_t FromWindows1252(uint8_t byte) {
  return byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : char32_t{byte};
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf16Le(std::string& out, char32_t c) {
  auto put = [&out](char32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>((unit >> 8) & 0xFF);
  };
  if (c < 0x10000) {
    put(c);
  } else {
    c -= 0x10000;
    put(0xD800 + (c >> 10));
    put(0xDC00 + (c & 0x3FF));
  }
}

std::string DecodeUtf16(const uint8_t* data, size_t count, bool bigEndian) {
  std::string out;
  auto unitAt = [&](size_t i) -> char32_t {
    return bigEndian ? (char32_t{data[i]} << 8) | data[i + 1]
                     : (char32_t{data[i + 1]} << 8) | data[i];
  };
  for (size_t i = 0; i + 1 < count; i += 2) {
    char32_t c = unitAt(i);
    if (IsHighSurrogate(c) && i + 3 < count && IsLowSurrogate(unitAt(i + 2))) {
      c = 0x10000 + ((c - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
      i += 2;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string DecodeUtf8(const uint8_t* data, size_t count) {
  const std::string_view text(reinterpret_cast<const char*>(data), count);
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const char32_t c = platform::utf8::Next(text, i);
    AppendUtf8(out, c == platform::utf8::kMalformed ? kReplacement : c);
  }
  return out;
}

}  // namespace

char32_t NextCharacter(std::string_view text, size_t& i) {
  const size_t start = i;
  const char32_t c = platform::utf8::Next(text, i);
  if (c != platform::utf8::kMalformed) return c;
  i = start + 1;  // only the first byte is taken, as the 8-bit character it is
  return FromWindows1252(static_cast<uint8_t>(text[start]));
}

void AppendUtf8(std::string& out, char32_t c) { platform::utf8::Append(out, c); }

size_t CharacterCount(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++count) NextCharacter(text, i);
  return count;
}

size_t TerminatorSize(uint8_t encoding) {
  return encoding == kUtf16 || encoding == kUtf16Be ? 2 : 1;
}

size_t StringLength(uint8_t encoding, const uint8_t* data, size_t size) {
  if (TerminatorSize(encoding) == 1) {
    for (size_t i = 0; i < size; ++i) {
      if (data[i] == 0) return i;
    }
    return size;
  }
  for (size_t i = 0; i + 1 < size; i += 2) {
    if (data[i] == 0 && data[i + 1] == 0) return i;
  }
  return size;
}

std::string DecodeId3v2String(uint8_t encoding, const uint8_t* data, size_t count) {
  switch (encoding) {
    case kUtf16:
      if (count >= 2 && data[0] == 0xFE && data[1] == 0xFF)
        return DecodeUtf16(data + 2, count - 2, true);
      if (count >= 2 && data[0] == 0xFF && data[1] == 0xFE)
        return DecodeUtf16(data + 2, count - 2, false);
      return DecodeUtf16(data, count, false);
    case kUtf16Be:
      return DecodeUtf16(data, count, true);
    case kUtf8:
      if (count >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
        data += 3, count -= 3;
      return DecodeUtf8(data, count);
    default: {
      std::string out;
      for (size_t i = 0; i < count; ++i) AppendUtf8(out, FromWindows1252(data[i]));
      return out;
    }
  }
}

uint8_t ChooseId3v2Encoding(std::string_view utf8) {
  for (size_t i = 0; i < utf8.size();) {
    if (NextCharacter(utf8, i) > 0xFF) return kUtf16;
  }
  return kLatin1;
}

std::string EncodeId3v2String(std::string_view utf8, uint8_t encoding) {
  std::string out;
  if (encoding == kUtf16) out += "\xFF\xFE";
  for (size_t i = 0; i < utf8.size();) {
    const char32_t c = NextCharacter(utf8, i);
    if (encoding == kUtf16) {
      AppendUtf16Le(out, c);
    } else {
      out += static_cast<char>(c <= 0xFF ? c : U'?');
    }
  }
  return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  for (char byte : bytes) AppendUtf8(out, FromWindows1252(static_cast<uint8_t>(byte)));
  return out;
}

char ToWindows1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (size_t i = 0; i < kWindows1252High.size(); ++i) {
    if (kWindows1252High[i] == c) return static_cast<char>(0x80 + i);
  }
  return '?';
}

std::string Id3v1Text(std::string_view utf8, size_t limit) {
  std::string out;
  size_t i = 0;
  for (size_t count = 0; count < limit && i < utf8.size(); ++count) {
    const char32_t c = NextCharacter(utf8, i);
    if (c == 0) break;
    AppendUtf8(out, FromWindows1252(static_cast<uint8_t>(ToWindows1252(c))));
  }
  return out;
}

std::string Utf8ToWindows1252(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) out += ToWindows1252(NextCharacter(utf8, i));
  return out;
}

}  // namespace tolvo::engine::tagtext
