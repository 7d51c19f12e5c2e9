// The RIFF chunk walk against literal files: chunks before, between and after the format and the
// data, a LIST that holds the bytes "data", odd sizes with their pad byte, sizes that claim more
// than the file holds, RF64; then the classification and the words tolvo shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tolvo/wav/chunk_walk.h"
#include "tolvo/wav/wav_kind.h"
#include "tolvo/wav/wav_layout.h"

namespace tolvo::wav {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
Bytes Text(const char* text) { return Bytes(text, text + std::char_traits<char>::length(text)); }

// "RIFF", size (not read), "WAVE".
const Bytes kRiff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
// "fmt " chunk: PCM, 2 channels, 44100 Hz, 176400 bytes/s, align 4, 16 bits.
const Bytes kFmt16 = {'f',  'm',  't',  ' ',  0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00,
                      0x44, 0xAC, 0x00, 0x00, 0x10, 0xB1, 0x02, 0x00, 0x04, 0x00, 0x10, 0x00};
// "data" chunk header of 8 bytes and its two stereo frames.
const Bytes kData8 = {'d', 'a', 't', 'a', 0x08, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
// A LIST/INFO chunk of ffmpeg's kind whose text holds "data" (odd size 0x11, then a pad byte).
const Bytes kListWithData = {'L', 'I', 'S', 'T', 0x11, 0, 0, 0,   'I', 'N', 'F', 'O', 'I',
                             'N', 'A', 'M', 5,   0,    0, 0, 'd', 'a', 't', 'a', 0,   0};
const Bytes kId3After = {'i', 'd', '3', ' ', 4, 0, 0, 0, 'I', 'D', '3', 4};

WavLayout Walk(const Bytes& file) {
  MemorySource source(file.data(), file.size());
  return WalkWav(source, file.size());
}

struct WalkCase {
  const char* name;
  Bytes file;
  bool hasData;
  uint64_t dataOffset;
  uint64_t dataBytes;
  bool sizeFits;
};

TEST(ChunkWalk, FindsFormatAndDataWhereverTheyAre) {
  const Bytes junk = {'J', 'U', 'N', 'K', 0x1C, 0, 0, 0};  // ffmpeg -rf64 auto leaves 28 bytes
  const Bytes bext = {'b', 'e', 'x', 't', 3, 0, 0, 0, 'a', 'b', 'c', 0};  // odd: padded
  const Bytes fact = {'f', 'a', 'c', 't', 4, 0, 0, 0, 2, 0, 0, 0};
  const Bytes oddData = {'d', 'a', 't', 'a', 5, 0, 0, 0, 1, 2, 3, 4, 5, 0};
  const Bytes longData = {'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6};
  const Bytes zeroData = {'d', 'a', 't', 'a', 0, 0, 0, 0};
  const std::vector<WalkCase> cases = {
      {"canonical", Cat({kRiff, kFmt16, kData8}), true, 44, 8, true},
      {"LIST holding 'data' before the data chunk", Cat({kRiff, kFmt16, kListWithData, kData8}),
       true, 70, 8, true},
      {"chunks after the data", Cat({kRiff, kFmt16, kData8, kListWithData, kId3After}), true, 44, 8,
       true},
      {"JUNK, bext and fact before the format",
       Cat({kRiff, junk, Bytes(28, 0), bext, fact, kFmt16, kData8}), true, 104, 8, true},
      {"odd data size then a chunk", Cat({kRiff, kFmt16, oddData, kId3After}), true, 44, 5, true},
      {"data larger than the file", Cat({kRiff, kFmt16, longData}), true, 44, 6, false},
      {"data before the format", Cat({kRiff, kData8, kFmt16}), true, 20, 8, true},
      {"header only", Cat({kRiff, kFmt16, zeroData}), true, 44, 0, true},
      {"no data chunk", Cat({kRiff, kFmt16, kId3After}), false, 0, 0, false},
      {"a chunk running past the end hides what follows",
       Cat({kRiff, kFmt16, {'L', 'I', 'S', 'T', 0x40, 0, 0, 0}, kData8}), false, 0, 0, false},
  };
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.name);
    const WavLayout layout = Walk(c.file);
    EXPECT_EQ(layout.container, Container::kRiff);
    ASSERT_TRUE(layout.hasFormat);
    EXPECT_TRUE(layout.formatComplete);
    EXPECT_EQ(layout.format.channels, 2);
    EXPECT_EQ(layout.format.sampleRate, 44100u);
    EXPECT_EQ(layout.format.bitsPerSample, 16);
    EXPECT_EQ(layout.hasData, c.hasData);
    EXPECT_EQ(layout.dataOffset, c.dataOffset);
    EXPECT_EQ(layout.dataBytes, c.dataBytes);
    EXPECT_EQ(layout.dataSizeFits, c.sizeFits);
  }
}

TEST(ChunkWalk, ExtensibleAndRf64Formats) {
  // WAVE_FORMAT_EXTENSIBLE, 6 channels of 24 bits in 32-bit containers, 5.1 mask, float GUID.
  const Bytes extensible = {'f',  'm',  't',  ' ',  40,   0,    0,    0,
                            0xFE, 0xFF, 6,    0,    0x80, 0xBB, 0,    0,  // 48000 Hz
                            0x00, 0x94, 0x11, 0x00, 24,   0,    32,   0,
                            22,   0,    24,   0,    0x3F, 0,    0,    0,  // 1152000 B/s
                            0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  const WavLayout ext = Walk(Cat({kRiff, extensible, kData8}));
  EXPECT_EQ(ext.format.formatTag, kFormatExtensible);
  EXPECT_EQ(ext.format.sampleFormat, kFormatFloat);
  EXPECT_EQ(ext.format.channels, 6);
  EXPECT_EQ(ext.format.validBits, 24);
  EXPECT_EQ(ext.format.channelMask, 0x3Fu);
  EXPECT_EQ(CodingOf(ext.format), SampleCoding::kFloat);
  Bytes otherGuid = extensible;
  otherGuid[40] = 0x11;  // a GUID outside the tag-based family
  EXPECT_EQ(CodingOf(Walk(Cat({kRiff, otherGuid, kData8})).format), SampleCoding::kOther);

  // RF64: the data chunk's size is 0xFFFFFFFF and the real one stands in ds64.
  const Bytes rf64 = {'R', 'F', '6', '4', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E'};
  const Bytes ds64 = {'d', 's', '6', '4', 28, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // RIFF size
                      6,   0,   0,   0,   0,  0, 0, 0,                          // data size 6
                      0,   0,   0,   0,   0,  0, 0, 0, 0, 0, 0, 0};             // samples, table
  const Bytes unknownData = {'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8};
  const WavLayout big = Walk(Cat({rf64, ds64, kFmt16, unknownData, kId3After}));
  EXPECT_EQ(big.container, Container::kRf64);
  EXPECT_TRUE(big.hasData);
  EXPECT_EQ(big.dataOffset, 12u + 36 + 24 + 8);
  EXPECT_EQ(big.dataBytes, 6u);
  EXPECT_TRUE(big.dataSizeFits);
}

TEST(ChunkWalk, WhatIsNotAWaveOrEndsEarly) {
  EXPECT_EQ(Walk(Text("ID3\x04")).container, Container::kNone);
  EXPECT_EQ(Walk(Text("RIFF\x04\x00\x00\x00"
                      "AVI "))
                .container,
            Container::kNone);
  EXPECT_EQ(Walk({}).container, Container::kNone);
  // Cut inside the format chunk: what is there is read, the rest reads as zeros.
  const WavLayout cut = Walk(Cat({kRiff, Bytes(kFmt16.begin(), kFmt16.begin() + 12)}));
  EXPECT_TRUE(cut.hasFormat);
  EXPECT_FALSE(cut.formatComplete);
  EXPECT_EQ(cut.format.formatTag, kFormatPcm);
  EXPECT_EQ(cut.format.channels, 2);
  EXPECT_EQ(cut.format.sampleRate, 0u);
  EXPECT_FALSE(cut.hasData);
}

TEST(WavKind, EncodableConvertibleOrNeitherInWords) {
  struct Case {
    const char* name;
    Bytes file;
    bool asIs;
    const char* description;
  };
  auto format = [](uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t align) {
    Bytes f = {'f', 'm', 't', ' ', 16, 0, 0, 0};
    for (uint16_t v : {tag, channels}) f.insert(f.end(), {uint8_t(v), uint8_t(v >> 8)});
    for (uint32_t v : {rate, rate * align})
      f.insert(f.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    for (uint16_t v : {align, bits}) f.insert(f.end(), {uint8_t(v), uint8_t(v >> 8)});
    return f;
  };
  const std::vector<Case> cases = {
      {"16-bit stereo", Cat({kRiff, kFmt16, kData8}), true, "16-bit PCM WAV, 2 channels, 44100 Hz"},
      {"24-bit", Cat({kRiff, format(1, 2, 96000, 24, 6), kData8}), false,
       "24-bit PCM WAV, 2 channels, 96000 Hz"},
      {"mono float", Cat({kRiff, format(3, 1, 44100, 32, 4), kData8}), false,
       "32-bit float WAV, 1 channel, 44100 Hz"},
      {"half float", Cat({kRiff, format(3, 1, 44100, 16, 2), kData8}), false,
       "16-bit float WAV, 1 channel, 44100 Hz: 16-bit float samples cannot be read (32 or 64 "
       "bits)"},
      {"24-bit float", Cat({kRiff, format(3, 2, 44100, 24, 6), kData8}), false,
       "24-bit float WAV, 2 channels, 44100 Hz: 24-bit float samples cannot be read (32 or 64 "
       "bits)"},
      {"ADPCM", Cat({kRiff, format(2, 1, 22050, 4, 256), kData8}), false,
       "format 0x0002 WAV, 1 channel, 22050 Hz: the samples are neither PCM nor float (format "
       "tag 2)"},
      // The encoder reads what it needs; only the converter relies on the block align.
      {"bad align", Cat({kRiff, format(1, 2, 44100, 16, 3), kData8}), true,
       "16-bit PCM WAV, 2 channels, 44100 Hz: block align 3 does not match 2 channels of 16 "
       "bits (4)"},
      {"no data", Cat({kRiff, format(1, 1, 96000, 24, 3)}), false,
       "24-bit PCM WAV, 1 channel, 96000 Hz: no data chunk"},
      {"MP3 file", Text("ID3\x04\x00"), false, "not a WAV file: starts with 'ID3\\x04'"},
      {"empty", {}, false, "not a WAV file: it is empty"},
      {"cut header", Cat({kRiff, Bytes(kFmt16.begin(), kFmt16.begin() + 12)}), false,
       "truncated WAV file: the file ends inside its format chunk"},
      {"no format", Cat({kRiff, kData8}), false, "truncated WAV file: no format chunk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const WavLayout layout = Walk(c.file);
    EXPECT_EQ(IsEncodableAsIs(layout), c.asIs);
    EXPECT_EQ(DescribeWav(layout), c.description);
  }
}

TEST(WavKind, NearestMpegRate) {
  const std::vector<std::pair<uint32_t, uint32_t>> cases = {
      {96000, 48000}, {88200, 48000}, {64000, 48000}, {46000, 44100}, {37800, 32000},
      {44100, 44100}, {10000, 11025}, {6000, 8000},   {1, 8000},      {192000, 48000}};
  for (auto [rate, nearest] : cases) EXPECT_EQ(NearestMpegSampleRate(rate), nearest) << rate;
}

TEST(WavLayout, CanonicalHeaderMatchesItsBytes) {
  const Bytes expected = {'R',  'I',  'F',  'F',  0x2C, 0x10, 0x00, 0x00,
                          'W',  'A',  'V',  'E',                            // RIFF size 36 + 0x1008
                          'f',  'm',  't',  ' ',  0x10, 0x00, 0x00, 0x00,   // 16-byte format body
                          0x01, 0x00, 0x02, 0x00,                           // PCM, 2 channels
                          0x44, 0xAC, 0x00, 0x00,                           // 44100 Hz
                          0x10, 0xB1, 0x02, 0x00,                           // 176400 bytes/s
                          0x04, 0x00, 0x10, 0x00,                           // align 4, 16 bits
                          'd',  'a',  't',  'a',  0x08, 0x10, 0x00, 0x00};  // 0x1008 data bytes
  const auto header = EncodeCanonicalHeader(2, 44100, 16, 0x1008);
  EXPECT_EQ(Bytes(header.begin(), header.end()), expected);
}

}  // namespace
}  // namespace tolvo::wav
