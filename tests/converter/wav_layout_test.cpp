// The converter's byte layouts against literal bytes: the canonical header it writes, the format
// body it reads, and the widening of 8-bit samples.
#include "wav_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "pcm16_conversion.h"

namespace tolvo::converter {
namespace {

TEST(WavLayout, CanonicalHeaderMatchesItsBytes) {
  const std::vector<uint8_t> expected = {
      'R',  'I',  'F',  'F',  0x2C, 0x10, 0x00, 0x00, 'W', 'A', 'V', 'E',  // RIFF size 36 + 0x1008
      'f',  'm',  't',  ' ',  0x10, 0x00, 0x00, 0x00,                      // 16-byte format body
      0x01, 0x00, 0x02, 0x00,                                              // PCM, 2 channels
      0x44, 0xAC, 0x00, 0x00,                                              // 44100 Hz
      0x10, 0xB1, 0x02, 0x00,                                              // 176400 bytes/s
      0x04, 0x00, 0x10, 0x00,                                              // align 4, 16 bits
      'd',  'a',  't',  'a',  0x08, 0x10, 0x00, 0x00};                     // 0x1008 data bytes
  const auto header = EncodeCanonicalHeader(2, 44100, 16, 0x1008);
  EXPECT_EQ(std::vector<uint8_t>(header.begin(), header.end()), expected);
}

TEST(WavLayout, FormatBodyDecodesEveryField) {
  const uint8_t body[16] = {0x01, 0x00, 0x01, 0x00, 0x22, 0x56, 0x00, 0x00,
                            0x22, 0x56, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00};
  const PcmFormat format = DecodeFormatBody(body);
  EXPECT_EQ(format.formatTag, 1);
  EXPECT_EQ(format.channels, 1);
  EXPECT_EQ(format.sampleRate, 22050u);
  EXPECT_EQ(format.byteRate, 22050u);
  EXPECT_EQ(format.blockAlign, 1);
  EXPECT_EQ(format.bitsPerSample, 8);
}

TEST(WavLayout, EightBitSamplesWidenAroundTheMidpoint) {
  const uint8_t in[] = {0x00, 0x80, 0xFF, 0x01, 0x7F};
  uint8_t out[10] = {};
  WidenPcm8(in, sizeof in, out);
  // -32768, 0, 32512, -32512, -256 little-endian
  const uint8_t expected[10] = {0x00, 0x80, 0x00, 0x00, 0x00, 0x7F, 0x00, 0x81, 0x00, 0xFF};
  EXPECT_EQ(std::vector<uint8_t>(out, out + 10), std::vector<uint8_t>(expected, expected + 10));
}

}  // namespace
}  // namespace tolvo::converter
