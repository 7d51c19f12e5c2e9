// The frame header reader against the first bytes of frames that lame and ffmpeg wrote, and
// against headers with each reserved or unusable field.
#include "tolvo/mpeg/frame_header.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace tolvo::mpeg {
namespace {

using Header = std::array<uint8_t, 4>;

struct MadeFrame {
  const char* made;  // the command that wrote it
  Header header;
  Version version;
  int bitrate;
  int sampleRate;
  bool padding, mono, crc;
  size_t length;
  int samples;
  size_t infoTagAt;  // where the encoder put "Info"/"Xing" in its first frame; 0 without one
};

// Header bytes copied from the files; the tag offsets are where the files hold the tag's name.
const MadeFrame kMadeFrames[] = {
    {"lame -b 128, 44.1 kHz stereo",
     {0xFF, 0xFB, 0x90, 0x64},
     Version::kMpeg1,
     128,
     44100,
     false,
     false,
     false,
     417,
     1152,
     36},
    {"lame -b 128, a later frame",
     {0xFF, 0xFB, 0x92, 0x64},
     Version::kMpeg1,
     128,
     44100,
     true,
     false,
     false,
     418,
     1152,
     0},
    {"lame -p -b 192, 48 kHz stereo",
     {0xFF, 0xFA, 0xB4, 0x64},
     Version::kMpeg1,
     192,
     48000,
     false,
     false,
     true,
     576,
     1152,
     36},
    {"ffmpeg libmp3lame 48k, 22.05 kHz mono",
     {0xFF, 0xF3, 0x70, 0xC0},
     Version::kMpeg2,
     56,
     22050,
     false,
     true,
     false,
     182,
     576,
     13},
    {"lame -b 64, 22.05 kHz stereo",
     {0xFF, 0xF3, 0x80, 0x64},
     Version::kMpeg2,
     64,
     22050,
     false,
     false,
     false,
     208,
     576,
     21},
    {"lame -b 64, 11.025 kHz stereo",
     {0xFF, 0xE3, 0x80, 0x64},
     Version::kMpeg25,
     64,
     11025,
     false,
     false,
     false,
     417,
     576,
     21},
    {"lame -b 16, 8 kHz mono",
     {0xFF, 0xE3, 0x28, 0xC4},
     Version::kMpeg25,
     16,
     8000,
     false,
     true,
     false,
     144,
     576,
     0},
};

TEST(MpegFrameHeader, ReadsFramesMadeByLameAndFfmpeg) {
  for (const MadeFrame& f : kMadeFrames) {
    SCOPED_TRACE(f.made);
    const uint8_t* h = f.header.data();
    std::optional<Layer3Header> header = ReadLayer3Header(h);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->version, f.version);
    EXPECT_EQ(header->bitrate, f.bitrate);
    EXPECT_EQ(header->sampleRate, f.sampleRate);
    EXPECT_EQ(header->padding, f.padding);
    EXPECT_EQ(header->mono, f.mono);
    EXPECT_EQ(header->crc, f.crc);
    EXPECT_EQ(header->length, f.length);
    EXPECT_EQ(header->samples, f.samples);
    EXPECT_EQ(Layer3FrameLength(h), f.length);
    EXPECT_EQ(IsMonoFrame(h), f.mono);
    EXPECT_TRUE(IsAudioFrameHeader(h));

    // The frame as the file holds it: the tag's name where the encoder put it, and nowhere else.
    std::vector<uint8_t> frame(f.length, 0);
    std::memcpy(frame.data(), h, kFrameHeaderSize);
    if (f.infoTagAt != 0) {
      EXPECT_EQ(InfoTagOffset(h), f.infoTagAt);
      std::memcpy(frame.data() + f.infoTagAt, "Info", 4);
      EXPECT_TRUE(CarriesInfoTag(frame.data(), frame.size()));
      EXPECT_FALSE(CarriesInfoTag(frame.data(), f.infoTagAt + 3));  // cut inside the name
      std::memcpy(frame.data() + f.infoTagAt, "Xing", 4);
      EXPECT_TRUE(CarriesInfoTag(frame.data(), frame.size()));
    }
    EXPECT_EQ(CarriesInfoTag(frame.data(), frame.size()), f.infoTagAt != 0);
  }
}

TEST(MpegFrameHeader, RefusesReservedFieldsAndTellsOtherLayersApart) {
  struct Case {
    const char* what;
    Header header;
    bool audio, layer3;
  };
  const Case cases[] = {
      {"ffmpeg mp2 (layer II)", {0xFF, 0xFD, 0xA0, 0x04}, true, false},
      {"free format", {0xFF, 0xFB, 0x00, 0x64}, true, false},
      {"bitrate index 15", {0xFF, 0xFB, 0xF0, 0x64}, false, false},
      {"reserved version", {0xFF, 0xEB, 0x90, 0x64}, false, false},
      {"reserved layer", {0xFF, 0xF9, 0x90, 0x64}, false, false},
      {"reserved sample rate", {0xFF, 0xFB, 0x9C, 0x64}, false, false},
      {"no sync in byte 0", {0x7F, 0xFB, 0x90, 0x64}, false, false},
      {"no sync in byte 1", {0xFF, 0x1B, 0x90, 0x64}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsAudioFrameHeader(c.header.data()), c.audio);
    EXPECT_EQ(IsLayer3FrameHeader(c.header.data()), c.layer3);
    EXPECT_EQ(Layer3FrameLength(c.header.data()), 0u);
    std::vector<uint8_t> frame(64, 0);
    std::memcpy(frame.data(), c.header.data(), 4);
    std::memcpy(frame.data() + 36, "Info", 4);
    EXPECT_FALSE(CarriesInfoTag(frame.data(), frame.size()));
  }
}

}  // namespace
}  // namespace tolvo::mpeg
