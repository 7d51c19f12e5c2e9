// Reading and writing the braced text form of a Guid.
#include "tolvo/runtime/guid.h"

#include <cstdio>

namespace tolvo::runtime {
namespace {

constexpr size_t kBracedLength = 38;  // {8-4-4-4-12}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at `pos`; false on anything else.
bool ReadHex(std::string_view text, size_t pos, size_t digits, uint64_t* value) {
  uint64_t v = 0;
  for (size_t i = 0; i < digits; ++i) {
    int d = HexValue(text[pos + i]);
    if (d < 0) return false;
    v = (v << 4) | static_cast<uint64_t>(d);
  }
  *value = v;
  return true;
}

}  // namespace

std::optional<Guid> Guid::Parse(std::string_view text) {
  if (text.size() != kBracedLength || text.front() != '{' || text.back() != '}')
    return std::nullopt;
  if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-') return std::nullopt;
  Guid g;
  uint64_t v = 0;
  if (!ReadHex(text, 1, 8, &v)) return std::nullopt;
  g.data1 = static_cast<uint32_t>(v);
  if (!ReadHex(text, 10, 4, &v)) return std::nullopt;
  g.data2 = static_cast<uint16_t>(v);
  if (!ReadHex(text, 15, 4, &v)) return std::nullopt;
  g.data3 = static_cast<uint16_t>(v);
  const size_t bytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (size_t i = 0; i < 8; ++i) {
    if (!ReadHex(text, bytePositions[i], 2, &v)) return std::nullopt;
    g.data4[i] = static_cast<uint8_t>(v);
  }
  return g;
}

std::string Guid::ToString() const {
  char buffer[kBracedLength + 1];
  std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(data1), static_cast<unsigned>(data2),
                static_cast<unsigned>(data3), data4[0], data4[1], data4[2], data4[3], data4[4],
                data4[5], data4[6], data4[7]);
  return buffer;
}

}  // namespace tolvo::runtime
