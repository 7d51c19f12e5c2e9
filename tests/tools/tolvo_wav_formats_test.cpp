// WAV files as ordinary tools write them, encoded end to end by the tolvo program: each input is
// made here by sox, ffmpeg or kid3-cli with a 1000 Hz tone, encoded, decoded again by mpg123, and
// the sound compared with the tone: its length, its pitch and level, and no burst at its end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tolvo_cli.h"

namespace tolvo::test {
namespace {

constexpr double kTone = 1000.0;
constexpr double kSeconds = 2.0;

struct Decoded {
  int channels = 0;
  int rate = 0;
  std::vector<int16_t> samples;  // interleaved
  size_t Frames() const { return channels ? samples.size() / channels : 0; }
  double At(size_t frame, int channel = 0) const {
    return samples[frame * channels + channel] / 32768.0;
  }
};

// mpg123 decodes to a canonical 16-bit WAV file.
Decoded Decode(const TempDir& dir, const std::string& mp3) {
  Decoded decoded;
  const std::string wav = dir / "decoded.wav";
  if (RunCommand("mpg123 -q -w " + ShellQuote(wav) + " " + ShellQuote(mp3) + " 2>/dev/null") != 0) {
    return decoded;
  }
  const Bytes b = ReadFile(wav);
  if (b.size() < 44) return decoded;
  decoded.channels = b[22] | (b[23] << 8);
  decoded.rate = b[24] | (b[25] << 8) | (b[26] << 16);
  for (size_t at = 44; at + 1 < b.size(); at += 2) {
    decoded.samples.push_back(static_cast<int16_t>(b[at] | (b[at + 1] << 8)));
  }
  return decoded;
}

// The tone's pitch from the upward zero crossings of one second in the middle of channel 0.
double PitchOf(const Decoded& d) {
  const size_t from = d.Frames() / 4, to = from + static_cast<size_t>(d.rate);
  size_t first = 0, last = 0, crossings = 0;
  for (size_t f = from + 1; f < to && f < d.Frames(); ++f) {
    if (d.At(f - 1) < 0 && d.At(f) >= 0) {
      if (crossings == 0) first = f;
      last = f;
      ++crossings;
    }
  }
  return crossings < 2 ? 0 : (crossings - 1) * static_cast<double>(d.rate) / (last - first);
}

// The peak of channel 0's middle second, and of all channels in the last 50 ms.
double MiddlePeak(const Decoded& d) {
  double peak = 0;
  for (size_t f = d.Frames() / 4; f < d.Frames() / 4 + d.rate && f < d.Frames(); ++f) {
    peak = std::max(peak, std::abs(d.At(f)));
  }
  return peak;
}
double EndPeak(const Decoded& d) {
  double peak = 0;
  const size_t tail = static_cast<size_t>(d.rate) / 20;
  for (size_t f = d.Frames() > tail ? d.Frames() - tail : 0; f < d.Frames(); ++f) {
    for (int c = 0; c < d.channels; ++c) peak = std::max(peak, std::abs(d.At(f, c)));
  }
  return peak;
}

struct FormatCase {
  const char* name;
  std::string make;  // shell commands that write in.wav in the current folder
  int inputRate;
  int outputRate;  // the MPEG rate the MP3 carries
  int outputChannels;
  double amplitude;  // of the tone in the MP3's first channel
  int bitrate = 128;
  bool makeExtensible = false;  // rewrite the canonical header into the extensible form
};

std::string Sox(const std::string& format, int rate, int channels, double volume = 0.5) {
  return "sox -n " + format + " -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
         " in.wav synth 2 sine 1000 vol " + std::to_string(volume);
}
// ffmpeg's tone has an amplitude of 1/8.
std::string Ffmpeg(int rate, const std::string& options) {
  return "ffmpeg -loglevel error -y -f lavfi -i sine=frequency=1000:sample_rate=" +
         std::to_string(rate) + ":duration=2 " + options + " in.wav";
}

std::vector<FormatCase> Cases() {
  const std::string sixChannels = "-af 'pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0'";
  const std::string twoChannels = "-af 'pan=stereo|c0=c0|c1=c0'";
  return {
      {"24-bit extensible", Sox("-b 24", 44100, 2), 44100, 44100, 2, 0.5},
      {"32-bit integer", Sox("-b 32 -e signed-integer", 48000, 1), 48000, 48000, 1, 0.5},
      {"32-bit float", Sox("-b 32 -e floating-point", 22050, 2), 22050, 22050, 2, 0.5},
      {"64-bit float", Ffmpeg(32000, "-c:a pcm_f64le"), 32000, 32000, 1, 0.125},
      {"8-bit at 11025 Hz", Sox("-b 8", 11025, 1), 11025, 11025, 1, 0.5, 64},
      {"16-bit extensible stereo", Sox("-b 16 -t wavpcm", 44100, 2), 44100, 44100, 2, 0.5, 128,
       true},
      {"24-bit at 96 kHz", Sox("-b 24", 96000, 2), 96000, 48000, 2, 0.5},
      {"16-bit at 88.2 kHz", Ffmpeg(88200, twoChannels + " -c:a pcm_s16le"), 88200, 48000, 2,
       0.125},
      {"5.1 float extensible", Ffmpeg(48000, sixChannels + " -c:a pcm_f32le"), 48000, 48000, 2,
       0.125},
      {"RF64", Ffmpeg(44100, "-rf64 always -c:a pcm_s24le"), 44100, 44100, 1, 0.125},
      {"JUNK before the format (ffmpeg -rf64 auto)", Ffmpeg(44100, "-rf64 auto -c:a pcm_s16le"),
       44100, 44100, 1, 0.125},
      {"LIST holding 'data' before the data (ffmpeg -metadata title)",
       Ffmpeg(44100, "-metadata 'title=My metadata song' -c:a pcm_s16le"), 44100, 44100, 1, 0.125},
      {"ID3 and LIST chunks after the data (kid3-cli)",
       Ffmpeg(44100, "-metadata 'title=My metadata song' -c:a pcm_s16le") +
           " && kid3-cli -c \"set title 'Kid3 song'\" in.wav",
       44100, 44100, 1, 0.125},
  };
}

// Turns the canonical 16-bit stereo file in.wav into WAVE_FORMAT_EXTENSIBLE with a PCM
// sub-format and a front-left/front-right mask, the form many tools write.
void MakeExtensible(const std::string& path) {
  Bytes b = ReadFile(path);
  ASSERT_GE(b.size(), 44u);
  ASSERT_EQ(std::string(b.begin() + 12, b.begin() + 16), "fmt ");
  ASSERT_EQ(b[16], 16);
  Bytes extension = {22, 0, 16, 0, 3, 0, 0,    0,  // size, valid bits, mask
                     1,  0, 0,  0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  b[16] = 40;
  b[20] = 0xFE;
  b[21] = 0xFF;
  b.insert(b.begin() + 36, extension.begin(), extension.end());
  WriteFile(path, b);
}

TEST(TolvoWavFormats, EveryFormatEncodesToTheTonesLengthPitchAndLevel) {
  for (const FormatCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    ASSERT_EQ(RunCommand("cd " + ShellQuote(dir.path()) + " && (" + c.make + ") >/dev/null 2>&1"),
              0);
    if (c.makeExtensible) MakeExtensible(dir / "in.wav");
    ToolRun run =
        RunTolvo(dir, {"encode", "in.wav", "out.mp3", "--bitrate", std::to_string(c.bitrate)});
    ASSERT_EQ(run.status, 0) << run.err;

    const Decoded d = Decode(dir, dir / "out.mp3");
    ASSERT_EQ(d.rate, c.outputRate);
    EXPECT_EQ(d.channels, c.outputChannels);
    const double expectedFrames = kSeconds * c.outputRate;
    if (c.inputRate == c.outputRate) {
      EXPECT_EQ(d.Frames(), static_cast<size_t>(expectedFrames));
    } else {
      EXPECT_NEAR(static_cast<double>(d.Frames()), expectedFrames, 1152);
    }
    EXPECT_NEAR(PitchOf(d), kTone, kTone * 0.005);
    EXPECT_NEAR(MiddlePeak(d), c.amplitude, c.amplitude * 0.06);
    // Nothing louder than the tone at the end: no chunk read as samples.
    EXPECT_LT(EndPeak(d), c.amplitude * 1.1);
  }
}

TEST(TolvoWavFormats, WhatNobodyReadsIsRefusedWithTheReasonInWords) {
  struct Refusal {
    const char* name;
    std::string make;
    const char* words;
  };
  const std::vector<Refusal> cases = {
      {"an MP3 file named .wav",
       Ffmpeg(44100, "-c:a libmp3lame -id3v2_version 4 -metadata title=x -f mp3"),
       "not a WAV file: starts with 'ID3\\x04'"},
      {"ADPCM", Ffmpeg(22050, "-c:a adpcm_ms"),
       "cannot encode this file: format 0x0002 WAV, 1 channel, 22050 Hz: the "
       "samples are neither PCM nor float (format tag 2)"},
      {"cut inside the header", Sox("-b 16", 44100, 2) + " && truncate -s 30 in.wav",
       "cannot encode this file: truncated WAV file: the file ends inside its format chunk"},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    RunCommand("cd " + ShellQuote(dir.path()) + " && (" + c.make + ") >/dev/null 2>&1");
    ASSERT_TRUE(Exists(dir / "in.wav"));
    ToolRun run = RunTolvo(dir, {"encode", "in.wav", "out.mp3"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tolvo: in.wav: " + std::string(c.words) + "\n");
  }
}

}  // namespace
}  // namespace tolvo::test
