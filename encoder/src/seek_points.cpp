// Seek points at a doubling stride and the seek table interpolated from them.
#include "seek_points.h"

#include <algorithm>
#include <cmath>

namespace tolvo::encoder {

void SeekPoints::AddFrame(uint32_t bytes) {
  if (frames_ % stride_ == 0) {
    if (offsets_.size() == kMostPoints) {
      // Keep every second point: the stride doubles, memory stays bounded.
      for (size_t i = 0; i < kMostPoints / 2; ++i) offsets_[i] = offsets_[2 * i];
      offsets_.resize(kMostPoints / 2);
      stride_ *= 2;
    }
    if (frames_ % stride_ == 0) offsets_.push_back(next_);
  }
  next_ += bytes;
  ++frames_;
}

double SeekPoints::OffsetOfFrame(uint64_t frame) const {
  const uint64_t m = frame / stride_;
  if (m >= offsets_.size()) return static_cast<double>(next_);
  const double start = static_cast<double>(offsets_[m]);
  const double end =
      m + 1 < offsets_.size() ? static_cast<double>(offsets_[m + 1]) : static_cast<double>(next_);
  const uint64_t span = m + 1 < offsets_.size() ? stride_ : frames_ - m * stride_;
  if (span == 0) return start;
  return start +
         (end - start) * static_cast<double>(frame - m * stride_) / static_cast<double>(span);
}

std::array<uint8_t, 100> SeekPoints::Table(uint64_t totalBytes) const {
  std::array<uint8_t, 100> table{};
  if (totalBytes == 0 || frames_ == 0) return table;
  uint8_t last = 0;
  for (size_t i = 0; i < table.size(); ++i) {
    const uint64_t frame = i * frames_ / 100;
    const double share = 256.0 * OffsetOfFrame(frame) / static_cast<double>(totalBytes);
    const auto entry = static_cast<uint8_t>(std::clamp(std::lround(share), 0L, 255L));
    last = std::max(last, entry);
    table[i] = last;
  }
  return table;
}

}  // namespace tolvo::encoder
