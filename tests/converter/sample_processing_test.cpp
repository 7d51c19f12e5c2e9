// The converter's sample processing against literal values: decoding of every width, 8-bit
// widening, the downmix matrix, the dithered quantizer and the output format chosen.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "downmix.h"
#include "pcm16_conversion.h"
#include "sample_decoder.h"
#include "tpdf_dither.h"

namespace tolvo::converter {
namespace {

TEST(SampleDecoder, EveryWidthScalesToFullScaleOne) {
  struct Case {
    const char* name;
    wav::SampleCoding coding;
    int bits;
    std::vector<uint8_t> bytes;
    std::vector<float> expected;
  };
  const float half = 0.5f;
  const std::vector<Case> cases = {
      {"8-bit", wav::SampleCoding::kInteger, 8, {0x00, 0x80, 0xC0}, {-1.0f, 0.0f, half}},
      {"16-bit",
       wav::SampleCoding::kInteger,
       16,
       {0x00, 0x80, 0x00, 0x40, 0xFF, 0xFF},
       {-1.0f, half, -1.0f / 32768}},
      {"24-bit",
       wav::SampleCoding::kInteger,
       24,
       {0x00, 0x00, 0x80, 0x00, 0x00, 0x40, 0xFF, 0xFF, 0xFF},
       {-1.0f, half, -1.0f / 8388608}},
      {"32-bit",
       wav::SampleCoding::kInteger,
       32,
       {0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x40},
       {-1.0f, half}},
      {"float",
       wav::SampleCoding::kFloat,
       32,
       {0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x80, 0xBF},
       {half, -1.0f}},
      {"double",
       wav::SampleCoding::kFloat,
       64,
       {0, 0, 0, 0, 0, 0, 0xE0, 0x3F, 0, 0, 0, 0, 0, 0, 0xF0, 0xBF},
       {half, -1.0f}},
  };
  for (const Case& c : cases) {
    std::vector<float> out(c.expected.size(), 99.0f);
    DecodeSamples(c.bytes.data(), out.size(), c.coding, c.bits, out.data());
    EXPECT_EQ(out, c.expected) << c.name;
  }
}

TEST(SampleDecoder, EightBitSamplesWidenAroundTheMidpoint) {
  const uint8_t in[] = {0x00, 0x80, 0xFF, 0x01, 0x7F};
  uint8_t out[10] = {};
  WidenPcm8(in, sizeof in, out);
  // -32768, 0, 32512, -32512, -256 little-endian
  const uint8_t expected[10] = {0x00, 0x80, 0x00, 0x00, 0x00, 0x7F, 0x00, 0x81, 0x00, 0xFF};
  EXPECT_EQ(std::vector<uint8_t>(out, out + 10), std::vector<uint8_t>(expected, expected + 10));
}

TEST(Downmix, FivePointOneUsesItuCoefficientsWithoutClipping) {
  // FL FR FC LFE BL BR, the default order of six channels.
  const Downmix mix(6, 0);
  ASSERT_EQ(mix.outputChannels(), 2);
  const float scale = 1.0f / (1.0f + 2 * 0.70710678f);
  const float left[6] = {1, 0, 0.70710678f, 0, 0.70710678f, 0};
  const float right[6] = {0, 1, 0.70710678f, 0, 0, 0.70710678f};
  for (int c = 0; c < 6; ++c) {
    EXPECT_NEAR(mix.Coefficient(0, c), left[c] * scale, 1e-6) << c;
    EXPECT_NEAR(mix.Coefficient(1, c), right[c] * scale, 1e-6) << c;
  }
  // Every channel at full scale stays within full scale.
  std::vector<float> frame(6, 1.0f);
  float out[2];
  mix.Apply(frame.data(), 1, out);
  EXPECT_NEAR(out[0], 1.0f, 1e-6);
  EXPECT_NEAR(out[1], 1.0f, 1e-6);

  // A 5.1 mask with side channels, in place; the LFE is left out.
  const Downmix side(6, 0x60F);
  std::vector<float> frames = {0, 0, 0, 1, 0, 0, /**/ 0, 0, 0, 0, 0, 1};
  side.Apply(frames.data(), 2, frames.data());
  EXPECT_EQ(frames[0], 0.0f);
  EXPECT_EQ(frames[1], 0.0f);
  EXPECT_EQ(frames[2], 0.0f);
  EXPECT_NEAR(frames[3], 0.70710678f * scale, 1e-6);

  const Downmix stereo(2, 0);
  EXPECT_EQ(stereo.outputChannels(), 2);
  EXPECT_EQ(stereo.Coefficient(0, 1), 0.0f);
}

TEST(TpdfQuantizer, ErrorIsWithinOneStepUnbiasedAndClipped) {
  TpdfQuantizer quantizer;
  const size_t count = 100000;
  std::vector<float> in(count, 1000.25f / 32768);
  std::vector<uint8_t> out(2 * count);
  quantizer.Quantize(in.data(), count, out.data());
  double sum = 0;
  int lowest = 1 << 20, highest = -(1 << 20);
  for (size_t i = 0; i < count; ++i) {
    const int v = static_cast<int16_t>(out[2 * i] | (out[2 * i + 1] << 8));
    sum += v;
    lowest = std::min(lowest, v);
    highest = std::max(highest, v);
  }
  EXPECT_NEAR(sum / count, 1000.25, 0.02);  // the dither keeps the mean
  EXPECT_GE(lowest, 999);
  EXPECT_LE(highest, 1002);
  EXPECT_GT(highest, lowest);  // it is noise, not a constant

  const float loud[3] = {2.0f, -2.0f, NAN};
  uint8_t clipped[6];
  quantizer.Quantize(loud, 3, clipped);
  EXPECT_EQ(static_cast<int16_t>(clipped[0] | (clipped[1] << 8)), 32767);
  EXPECT_EQ(static_cast<int16_t>(clipped[2] | (clipped[3] << 8)), -32768);
  EXPECT_LE(std::abs(static_cast<int16_t>(clipped[4] | (clipped[5] << 8))), 1);
}

TEST(OutputFormat, AtMostTwoChannelsAtTheNearestMpegRate) {
  wav::WavFormat format;
  format.channels = 6;
  format.sampleRate = 96000;
  EXPECT_EQ(OutputFormatFor(format).channels, 2);
  EXPECT_EQ(OutputFormatFor(format).sampleRate, 48000u);
  format.channels = 1;
  format.sampleRate = 22050;
  EXPECT_EQ(OutputFormatFor(format).channels, 1);
  EXPECT_EQ(OutputFormatFor(format).sampleRate, 22050u);
}

}  // namespace
}  // namespace tolvo::converter
