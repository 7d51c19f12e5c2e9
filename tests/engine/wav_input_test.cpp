// WAV input: the header rules and their order, the 136-byte zero-filled read, and where the
// samples of a file are taken from.
#include "lame/wav_input.h"

#include <gtest/gtest.h>

#include <array>
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
  std::array<uint8_t, kWaveHeaderReadSize> header{};
  std::memcpy(header.data(), bytes.data(), std::min(bytes.size(), header.size()));
  return ClassifyWaveHeader(header);
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

TEST(ClassifyWaveHeader, CanonicalHeaderIsAcceptedWithItsFields) {
  ASSERT_EQ(kCanonicalHeader.size(), 44u);
  WaveHeader parsed = Classify(kCanonicalHeader);
  EXPECT_EQ(parsed.reason, kWaveAccepted);
  EXPECT_EQ(parsed.channels, 2);
  EXPECT_EQ(parsed.sampleRate, 44100);
  EXPECT_EQ(parsed.bitsPerSample, 16);
}

TEST(ClassifyWaveHeader, RulesApplyInTheirOrder) {
  Bytes notRiff = kCanonicalHeader;
  notRiff[0] = 'r';
  EXPECT_EQ(Classify(notRiff).reason, kWaveNotRiffWave);
  Bytes notWave = kCanonicalHeader;
  std::memcpy(notWave.data() + 8, "AVI ", 4);
  EXPECT_EQ(Classify(notWave).reason, kWaveNotRiffWave);

  // Bits are tested before channels, channels before the rate, the rate before the format tag.
  Bytes bits24ThreeChannels = With16(With16(kCanonicalHeader, 34, 24), 22, 3);
  EXPECT_EQ(Classify(bits24ThreeChannels).reason, kWaveBadBitsPerSample);
  Bytes threeChannelsBadRate = WithRate(With16(kCanonicalHeader, 22, 3), 96000);
  EXPECT_EQ(Classify(threeChannelsBadRate).reason, kWaveBadChannelCount);
  Bytes badRateFloat = With16(WithRate(kCanonicalHeader, 96000), 20, 3);
  EXPECT_EQ(Classify(badRateFloat).reason, kWaveBadSampleRate);
  EXPECT_EQ(Classify(With16(kCanonicalHeader, 20, 3)).reason, kWaveNotPcm);
  EXPECT_EQ(Classify(With16(With16(kCanonicalHeader, 20, 3), 34, 8)).reason, kWaveNotPcm);

  // Refused headers still hand out what they hold.
  WaveHeader refused = Classify(threeChannelsBadRate);
  EXPECT_EQ(refused.channels, 3);
  EXPECT_EQ(refused.sampleRate, 96000);
}

TEST(ClassifyWaveHeader, OnlyTheNineRatesAreAccepted) {
  for (uint32_t rate : {8000u, 11025u, 12000u, 16000u, 22050u, 24000u, 32000u, 44100u, 48000u}) {
    EXPECT_EQ(Classify(WithRate(kCanonicalHeader, rate)).reason, kWaveAccepted) << rate;
  }
  for (uint32_t rate : {0u, 7999u, 64000u, 88200u, 96000u}) {
    EXPECT_EQ(Classify(WithRate(kCanonicalHeader, rate)).reason, kWaveBadSampleRate) << rate;
  }
  EXPECT_EQ(Classify(With16(kCanonicalHeader, 22, 1)).reason, kWaveAccepted);
  EXPECT_EQ(Classify(With16(kCanonicalHeader, 22, 0)).reason, kWaveBadChannelCount);
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

TEST_F(CheckWaveFileTest, MissingAndShortFiles) {
  EXPECT_EQ(CheckWaveFile((dir_ / "none.wav").c_str(), &channels_, &rate_), kWaveCannotOpen);
  EXPECT_EQ(Check({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V'}), kWaveNotRiffWave);
  // A header cut after the format tag: the missing fields read as zeros.
  EXPECT_EQ(Check(Bytes(kCanonicalHeader.begin(), kCanonicalHeader.begin() + 22)),
            kWaveBadBitsPerSample);
}

TEST_F(CheckWaveFileTest, FloatFileIsRefusedWhateverItsDepth) {
  EXPECT_EQ(Check(test::MakeWav({.formatTag = 3, .frames = 10})), kWaveNotPcm);
}

TEST_F(CheckWaveFileTest, EightBitFileGoesToTheConverterAndItsFailureIsReason3) {
  // A program folder without the converter: the conversion fails.
  test::TempDir noConverter;
  EngineState& state = State();
  CopyPathField(state.programFolder, noConverter.path().c_str());
  const std::string input = dir_ / "eight.wav";
  test::WriteWav(input, {.channels = 1, .sampleRate = 22050, .bitsPerSample = 8, .frames = 50});
  CopyPathField(state.inputPath, input.c_str());
  EXPECT_EQ(CheckWaveFile(state.inputPath, &channels_, &rate_), kWaveNotPcm);
  EXPECT_STREQ(state.inputPath, input.c_str());
}

// Where SeekToSampleData leaves a file: the bytes read next are compared with a marker.
class SeekToSampleDataTest : public ::testing::Test {
 protected:
  int64_t PositionAfterSeek(const Bytes& bytes) {
    const std::string path = dir_ / "in.wav";
    test::WriteFile(path, bytes);
    platform::File file =
        platform::File::Open(platform::RealFileSystem(), path.c_str(), platform::OpenMode::kRead);
    EXPECT_TRUE(file.IsOpen());
    SeekToSampleData(file);
    uint8_t marker = 0;
    if (file.ReadFull(&marker, 1) != 1) return -1;
    return marker;  // each byte of the test files holds its own offset
  }
  static Bytes Numbered(size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i == 0 ? 1 : i);
    return bytes;
  }
  static Bytes WithDataAt(Bytes bytes, size_t at) {
    std::memcpy(bytes.data() + at, "data", 4);
    return bytes;
  }
  test::TempDir dir_;
};

TEST_F(SeekToSampleDataTest, CanonicalHeaderStartsAt44) {
  Bytes wav = test::MakeWav({.frames = 100});
  for (size_t i = 44; i < wav.size(); ++i) wav[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(PositionAfterSeek(wav), 44);
}

TEST_F(SeekToSampleDataTest, DataBehindAnotherChunkIsFound) {
  EXPECT_EQ(PositionAfterSeek(WithDataAt(Numbered(200), 70)), 78);
  // The first "data" wins, also inside another chunk's contents.
  EXPECT_EQ(PositionAfterSeek(WithDataAt(WithDataAt(Numbered(200), 80), 50)), 58);
  // Only an id that lies wholly inside the first 100 bytes counts.
  EXPECT_EQ(PositionAfterSeek(WithDataAt(Numbered(200), 96)), 104);
  EXPECT_EQ(PositionAfterSeek(WithDataAt(Numbered(200), 97)), 60);
}

TEST_F(SeekToSampleDataTest, ShortOrDatalessFilesFallBackToByte60) {
  EXPECT_EQ(PositionAfterSeek(Numbered(200)), 60);
  Bytes shortFile = WithDataAt(Numbered(64), 36);
  EXPECT_EQ(PositionAfterSeek(shortFile), 60);  // fewer than 100 bytes: no search at all
  EXPECT_EQ(SampleDataOffset(std::span<const uint8_t>(shortFile.data(), 99)), 60);
}

}  // namespace
}  // namespace tolvo::engine
