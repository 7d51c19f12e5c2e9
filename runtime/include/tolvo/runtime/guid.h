// A 128-bit class or interface identifier, written as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tolvo/runtime/export.h"

namespace tolvo::runtime {

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  std::array<uint8_t, 8> data4{};

  // Accepts the braced form above, hex digits in either case; nothing else.
  TOLVO_RUNTIME_API static std::optional<Guid> Parse(std::string_view text);
  // The braced form with upper-case hex digits.
  TOLVO_RUNTIME_API std::string ToString() const;

  friend constexpr bool operator==(const Guid&, const Guid&) = default;
  friend constexpr auto operator<=>(const Guid&, const Guid&) = default;
};

struct GuidHash {
  size_t operator()(const Guid& g) const noexcept {
    uint64_t high = (uint64_t{g.data1} << 32) | (uint64_t{g.data2} << 16) | g.data3;
    uint64_t low = 0;
    for (uint8_t b : g.data4) low = (low << 8) | b;
    return std::hash<uint64_t>{}(high ^ (low * 0x9E3779B97F4A7C15ull));
  }
};

}  // namespace tolvo::runtime

template <>
struct std::hash<tolvo::runtime::Guid> : tolvo::runtime::GuidHash {};
