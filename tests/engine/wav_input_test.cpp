// WAV input: which files are encoded as they are, which go to the converter and which are refused
// with which reason, and where the samples of a file are taken from.
#include "lame/wav_input.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/engine_state.h"
#include "test_support.h"

namespace tolvo::engine {
namespace {

using test::Bytes;

// The canonical 44-byte header of a 16-bit stereo 44100 Hz PCM file, written out byte by byte.
const Bytes kCanonicalHeader = {'R',  'I',  'F',  'F',  0x24, 0x00, 0x00, 0x00, 'W',  'A',
                                'V',  'E',  'f',  'm',  't',  ' ',  0x10, 0x00, 0x00, 0x00,
                                0x01, 0x00, 0x02, 0x00, 0x44, 0xAC, 0x00, 0x00,  // PCM, 2, 44100
                                0x10, 0xB1, 0x02, 0x00, 0x04, 0x00, 0x10, 0x00,  // rate, align, 16
                                'd',  'a',  't',  'a',  0x00, 0x00, 0x00, 0x00};

WaveHeader Classify(const Bytes& bytes) {
  wav::MemorySource source(bytes.data(), bytes.size());
  return ClassifyWave(wav::WalkWav(source, bytes.size()));
}

Bytes With16(Bytes bytes, size_t at, uint16_t value) {
  bytes[at] = value & 0xFF;
  bytes[at + 1] = value >> 8;
  return bytes;
}

Bytes WithRate(Bytes bytes, uint32_t rate) {
  for (int i = 0; i < 4; ++i) bytes[24 + i] = (rate >> (8 * i)) & 0xFF;
  return bytes;
}

// Channels, bits and the block align that goes with them (the converter checks it).
Bytes WithShape(const Bytes& bytes, uint16_t tag, uint16_t channels, uint16_t bits) {
  return With16(With16(With16(With16(bytes, 20, tag), 22, channels), 34, bits), 32,
                static_cast<uint16_t>(channels * bits / 8));
}

TEST(ClassifyWave, CanonicalHeaderIsEncodedAsItIs) {
  ASSERT_EQ(kCanonicalHeader.size(), 44u);
  WaveHeader parsed = Classify(kCanonicalHeader);
  EXPECT_EQ(parsed.reason, kWaveAccepted);
  EXPECT_FALSE(parsed.needsConversion);
  EXPECT_EQ(parsed.channels, 2);
  EXPECT_EQ(parsed.sampleRate, 44100);
  EXPECT_EQ(parsed.bitsPerSample, 16);
  for (uint32_t rate : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u}) {
    EXPECT_EQ(Classify(WithRate(kCanonicalHeader, rate)).reason, kWaveAccepted) << rate;
    EXPECT_FALSE(Classify(WithRate(kCanonicalHeader, rate)).needsConversion) << rate;
  }
  EXPECT_FALSE(Classify(WithShape(kCanonicalHeader, 1, 1, 16)).needsConversion);
}

TEST(ClassifyWave, EveryOtherPcmOrFloatFormatGoesToTheConverter) {
  Bytes rf64 = kCanonicalHeader;
  std::memcpy(rf64.data(), "RF64", 4);
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"8-bit", WithShape(kCanonicalHeader, 1, 2, 8)},
      {"24-bit", WithShape(kCanonicalHeader, 1, 2, 24)},
      {"32-bit", WithShape(kCanonicalHeader, 1, 1, 32)},
      {"float", WithShape(kCanonicalHeader, 3, 2, 32)},
      {"double", WithShape(kCanonicalHeader, 3, 2, 64)},
      {"96 kHz", WithRate(kCanonicalHeader, 96000)},
      {"7999 Hz", WithRate(kCanonicalHeader, 7999)},
      {"six channels", WithShape(kCanonicalHeader, 1, 6, 16)},
      {"RF64", rf64},
  };
  for (const auto& [name, file] : cases) {
    const WaveHeader parsed = Classify(file);
    EXPECT_EQ(parsed.reason, kWaveAccepted) << name;
    EXPECT_TRUE(parsed.needsConversion) << name;
  }
}

TEST(ClassifyWave, WhatNobodyReadsKeepsItsReasonInTheRulesOrder) {
  Bytes notRiff = kCanonicalHeader;
  notRiff[0] = 'r';
  EXPECT_EQ(Classify(notRiff).reason, kWaveNotRiffWave);
  Bytes notWave = kCanonicalHeader;
  std::memcpy(notWave.data() + 8, "AVI ", 4);
  EXPECT_EQ(Classify(notWave).reason, kWaveNotRiffWave);
  EXPECT_EQ(Classify({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V'}).reason, kWaveNotRiffWave);

  // ADPCM (tag 2): bits are tested before channels, channels before the rate, the rate before
  // the format tag.
  EXPECT_EQ(Classify(WithShape(kCanonicalHeader, 2, 3, 4)).reason, kWaveBadBitsPerSample);
  EXPECT_EQ(Classify(WithShape(kCanonicalHeader, 2, 3, 16)).reason, kWaveBadChannelCount);
  EXPECT_EQ(Classify(WithRate(WithShape(kCanonicalHeader, 2, 2, 16), 96000)).reason,
            kWaveBadSampleRate);
  EXPECT_EQ(Classify(WithShape(kCanonicalHeader, 2, 2, 16)).reason, kWaveNotPcm);
  // Float samples of 16 or 24 bits cannot be read either.
  EXPECT_EQ(Classify(WithShape(kCanonicalHeader, 3, 2, 16)).reason, kWaveNotPcm);
  EXPECT_EQ(Classify(WithShape(kCanonicalHeader, 3, 2, 24)).reason, kWaveBadBitsPerSample);
  // A header cut after the format tag: the missing fields read as zeros.
  EXPECT_EQ(Classify(Bytes(kCanonicalHeader.begin(), kCanonicalHeader.begin() + 22)).reason,
            kWaveBadBitsPerSample);
  // Without a data chunk: 16-bit PCM is encoded as today (from byte 60), 8-bit PCM ends as its
  // conversion would.
  EXPECT_EQ(Classify(Bytes(kCanonicalHeader.begin(), kCanonicalHeader.begin() + 36)).reason,
            kWaveAccepted);
  const Bytes eightBit = WithShape(kCanonicalHeader, 1, 1, 8);
  EXPECT_EQ(Classify(Bytes(eightBit.begin(), eightBit.begin() + 36)).reason, kWaveNotPcm);

  // Refused headers still hand out what they hold.
  WaveHeader refused = Classify(WithRate(WithShape(kCanonicalHeader, 2, 3, 16), 96000));
  EXPECT_EQ(refused.channels, 3);
  EXPECT_EQ(refused.sampleRate, 96000);
}

class CheckWaveFileTest : public ::testing::Test {
 protected:
  int Check(const Bytes& bytes) {
    test::WriteFile(dir_ / "in.wav", bytes);
    return CheckWaveFile((dir_ / "in.wav").c_str(), &channels_, &rate_);
  }
  test::TempDir dir_;
  int32_t channels_ = -1;
  int32_t rate_ = -1;
};

TEST_F(CheckWaveFileTest, ReadsTheFileAndHandsOutChannelsAndRate) {
  test::WriteWav(dir_ / "in.wav", {.channels = 1, .sampleRate = 12000, .frames = 100});
  EXPECT_EQ(CheckWaveFile((dir_ / "in.wav").c_str(), &channels_, &rate_), kWaveAccepted);
  EXPECT_EQ(channels_, 1);
  EXPECT_EQ(rate_, 12000);
}

TEST_F(CheckWaveFileTest, MissingShortAndUnreadableFiles) {
  EXPECT_EQ(CheckWaveFile((dir_ / "none.wav").c_str(), &channels_, &rate_), kWaveCannotOpen);
  EXPECT_EQ(Check({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V'}), kWaveNotRiffWave);
  EXPECT_EQ(Check(test::MakeWav({.formatTag = 3, .frames = 10})), kWaveNotPcm);
}

TEST_F(CheckWaveFileTest, ConversionFailureIsReason3AndKeepsTheInput) {
  // A program folder without the converter: every conversion fails.
  test::TempDir noConverter;
  EngineState& state = State();
  CopyPathField(state.programFolder, noConverter.path().c_str());
  for (int bits : {8, 24}) {
    const std::string input = dir_ / ("in" + std::to_string(bits) + ".wav");
    test::WriteWav(input,
                   {.channels = 1, .sampleRate = 22050, .bitsPerSample = bits, .frames = 50});
    CopyPathField(state.inputPath, input.c_str());
    EXPECT_EQ(CheckWaveFile(state.inputPath, &channels_, &rate_), kWaveNotPcm) << bits;
    EXPECT_STREQ(state.inputPath, input.c_str());
  }
}

// Where SeekToSampleData leaves a file: the bytes read next are compared with a marker, and the
// range it hands back.
class SeekToSampleDataTest : public ::testing::Test {
 protected:
  // Each byte after the header holds (its offset & 0xFF) | 1, so it can never be 0.
  static Bytes Numbered(Bytes bytes, size_t from) {
    for (size_t i = from; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i | 1);
    return bytes;
  }
  SampleRange Seek(const Bytes& bytes, int* marker) {
    const std::string path = dir_ / "in.wav";
    test::WriteFile(path, bytes);
    platform::File file =
        platform::File::Open(platform::RealFileSystem(), path.c_str(), platform::OpenMode::kRead);
    EXPECT_TRUE(file.IsOpen());
    const SampleRange range = SeekToSampleData(file);
    uint8_t next = 0;
    *marker = file.ReadFull(&next, 1) == 1 ? next : -1;
    return range;
  }
  static Bytes WithDataSize(Bytes bytes, uint32_t size) {
    for (int i = 0; i < 4; ++i) bytes[40 + i] = (size >> (8 * i)) & 0xFF;
    return bytes;
  }
  test::TempDir dir_;
};

TEST_F(SeekToSampleDataTest, SamplesStartBehindTheDataChunkHeader) {
  int marker = 0;
  Bytes wav = Numbered(test::MakeWav({.frames = 100}), 44);
  SampleRange range = Seek(wav, &marker);
  EXPECT_EQ(range.offset, 44);
  EXPECT_EQ(range.bytes, 400);
  EXPECT_EQ(marker, 44 | 1);

  // A short file whose data size claims more: the rest of the file.
  Bytes shortFile = WithDataSize(kCanonicalHeader, 1000);
  shortFile.resize(64);
  for (size_t i = 44; i < 64; ++i) shortFile[i] = static_cast<uint8_t>(i | 1);
  range = Seek(shortFile, &marker);
  EXPECT_EQ(range.offset, 44);
  EXPECT_EQ(range.bytes, 20);
  EXPECT_EQ(marker, 44 | 1);
}

TEST_F(SeekToSampleDataTest, DataInsideAnotherChunkIsNotTakenForTheSamples) {
  // fmt, then a LIST whose text holds "data", then the real data chunk at byte 70.
  Bytes wav(kCanonicalHeader.begin(), kCanonicalHeader.begin() + 36);
  const Bytes list = {'L', 'I', 'S', 'T', 26,  0, 0, 0, 'I', 'N', 'F', 'O',
                      'I', 'N', 'A', 'M', 14,  0, 0, 0, 'd', 'a', 't', 'a',
                      ' ', 's', 'o', 'n', 'g', 0, 0, 0, 0,   0};
  wav.insert(wav.end(), list.begin(), list.end());
  ASSERT_EQ(wav.size(), 70u);
  const Bytes data = {'d', 'a', 't', 'a', 4, 0, 0, 0, 0x11, 0x21, 0x31, 0x41};
  wav.insert(wav.end(), data.begin(), data.end());
  const Bytes id3 = {'i', 'd', '3', ' ', 4, 0, 0, 0, 'I', 'D', '3', 4};
  wav.insert(wav.end(), id3.begin(), id3.end());
  int marker = 0;
  const SampleRange range = Seek(wav, &marker);
  EXPECT_EQ(range.offset, 78);
  EXPECT_EQ(range.bytes, 4);  // the id3 chunk behind the samples is no sound
  EXPECT_EQ(marker, 0x11);
}

TEST_F(SeekToSampleDataTest, FileWithoutDataChunkFallsBackToByte60) {
  Bytes noData = Numbered(Bytes(200), 0);
  std::memcpy(noData.data(), kCanonicalHeader.data(), 36);
  const Bytes junk = {'J', 'U', 'N', 'K', 200, 0, 0, 0};  // runs past the end
  std::memcpy(noData.data() + 36, junk.data(), junk.size());
  int marker = 0;
  const SampleRange range = Seek(noData, &marker);
  EXPECT_EQ(range.offset, 60);
  EXPECT_EQ(range.bytes, -1);
  EXPECT_EQ(marker, 60 | 1);
}

}  // namespace
}  // namespace tolvo::engine
