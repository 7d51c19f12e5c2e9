// The ID3v1 genre list: 149 constant names indexed by the genre byte of an ID3v1 tag, with the
// last entry, a single blank, standing for "no genre".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "tolvo/engine/interface1.h"

namespace tolvo::engine {

inline constexpr size_t kLongestGenreName = 22;  // "Contemporary Christian"

std::span<const char* const> GenreNames();

// The name at an index; an index outside the list gives the blank "no genre" entry, the same
// answer a tag's out-of-range genre byte gets on reading.
const char* GenreNameAt(int32_t index);

// Copies the name at an index with its terminating zero into the buffer (nothing when the
// buffer is null); result 0.
int32_t GenreName(int32_t index, char* buffer);

}  // namespace tolvo::engine
