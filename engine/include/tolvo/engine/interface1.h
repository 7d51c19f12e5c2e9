// The vocabulary of the engine's one entry point, for the engine itself and for every caller of
// interface1 (the control, tolvo): header-only, no code to link.
#pragma once

#include <cstdint>

namespace tolvo::engine {

// What "intreturn" answers while a job runs; a finished job answers its result, below this.
inline constexpr int32_t kJobRunning = 1000;

// The ID3v1 genre list: kGenreCount names indexed by the genre byte, the last one a single
// blank standing for "no genre" (what every byte past the list reads as).
inline constexpr int32_t kGenreCount = 149;
inline constexpr int32_t kNoGenre = kGenreCount - 1;
// The genre byte usually written for "no genre".
inline constexpr int32_t kNoGenreByte = 255;

}  // namespace tolvo::engine
