// Rewriting the totals of a rendered Xing/Info frame.
#include "info_tag.h"

#include <array>
#include <cstring>

#include "tolvo/mpeg/frame_header.h"

namespace tolvo::encoder {
namespace {

using namespace info_tag;

constexpr uint16_t kCrcPolynomialReflected = 0xA001;
constexpr int kTwelveBits = 0xFFF;

void PutBigEndian32(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value >> 24);
  at[1] = static_cast<uint8_t>(value >> 16);
  at[2] = static_cast<uint8_t>(value >> 8);
  at[3] = static_cast<uint8_t>(value);
}

void PutBigEndian16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value >> 8);
  at[1] = static_cast<uint8_t>(value);
}

uint32_t BigEndian32(const uint8_t* at) {
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
}

}  // namespace

uint16_t Crc16(const uint8_t* data, size_t size, uint16_t crc) {
  static constexpr std::array<uint16_t, 256> kTable = [] {
    std::array<uint16_t, 256> table{};
    for (unsigned byte = 0; byte < table.size(); ++byte) {
      unsigned value = byte;
      for (int bit = 0; bit < 8; ++bit) {
        value = (value & 1) ? (value >> 1) ^ kCrcPolynomialReflected : value >> 1;
      }
      table[byte] = static_cast<uint16_t>(value);
    }
    return table;
  }();
  for (size_t i = 0; i < size; ++i) {
    crc = static_cast<uint16_t>((crc >> 8) ^ kTable[(crc ^ data[i]) & 0xFF]);
  }
  return crc;
}

bool PutTotals(const StreamTotals& totals, std::vector<uint8_t>* frame) {
  if (!mpeg::CarriesInfoTag(frame->data(), frame->size())) return false;
  uint8_t* tag = frame->data() + mpeg::InfoTagOffset(frame->data());
  const size_t room = frame->size() - static_cast<size_t>(tag - frame->data());
  if (room < kExtension) return false;

  const uint32_t flags = BigEndian32(tag + kFlags);
  if (flags & kFrameCountFlag) PutBigEndian32(tag + kFrameCount, totals.audioFrames);
  if (flags & kByteCountFlag) PutBigEndian32(tag + kByteCount, totals.bytes);
  if (flags & kTocFlag) std::memcpy(tag + kToc, totals.toc.data(), kTocSize);

  if (room < kEnd || std::memcmp(tag + kExtension, "LAME", 4) != 0) return true;
  const int delay = totals.delay & kTwelveBits;
  const int padding = totals.padding & kTwelveBits;
  tag[kDelayPadding] = static_cast<uint8_t>(delay >> 4);
  tag[kDelayPadding + 1] = static_cast<uint8_t>(((delay & 0x0F) << 4) | (padding >> 8));
  tag[kDelayPadding + 2] = static_cast<uint8_t>(padding);
  PutBigEndian32(tag + kMusicLength, totals.bytes);
  PutBigEndian16(tag + kMusicCrc, totals.musicCrc);
  const size_t covered = static_cast<size_t>(tag - frame->data()) + kTagCrc;
  PutBigEndian16(tag + kTagCrc, Crc16(frame->data(), covered));
  return true;
}

}  // namespace tolvo::encoder
