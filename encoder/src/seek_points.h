// Where the audio frames of a stream start, kept in bounded memory (every k-th frame, k doubling
// as the stream grows), and the 100-entry seek table of an info frame made from them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tolvo::encoder {

class SeekPoints {
 public:
  // The audio stream starts behind an info frame of this many bytes (0: none).
  explicit SeekPoints(uint64_t firstFrameOffset = 0) : next_(firstFrameOffset) {}

  void AddFrame(uint32_t bytes);
  uint64_t frames() const { return frames_; }

  // Entry i: the byte position, in 256ths of `totalBytes`, of the frame i per cent into the
  // audio frames. Non-decreasing, below 256.
  std::array<uint8_t, 100> Table(uint64_t totalBytes) const;

 private:
  static constexpr size_t kMostPoints = 4096;
  double OffsetOfFrame(uint64_t frame) const;

  std::vector<uint64_t> offsets_;  // offsets_[m]: where frame m * stride_ starts
  uint64_t stride_ = 1;
  uint64_t frames_ = 0;
  uint64_t next_ = 0;  // where the next frame starts
};

}  // namespace tolvo::encoder
