// Unit tests of tolvo's own parsers and formatting: WAV header walk, MP3 frame count, progress
// texts, option parsing and encode settings.
#include <gtest/gtest.h>

#include <array>

#include "command_line.h"
#include "encode_settings.h"
#include "mp3_length.h"
#include "progress_display.h"
#include "wav_info.h"

namespace tolvo::tool {
namespace {

using Bytes = std::vector<uint8_t>;

void Append(Bytes& b, std::initializer_list<uint8_t> bytes) { b.insert(b.end(), bytes); }
void AppendText(Bytes& b, const char* text) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(text[i]));
}
void AppendLe32(Bytes& b, uint32_t v) {
  Append(b, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

// "fmt " chunk of 16 bytes: PCM, 2 channels, 44100 Hz, 176400 bytes/s, block 4, 16 bits.
void AppendFmt(Bytes& b) {
  AppendText(b, "fmt ");
  Append(b, {0x10, 0, 0,    0,    0x01, 0x00, 0x02, 0x00, 0x44, 0xAC,
             0,    0, 0x10, 0xB1, 0x02, 0x00, 0x04, 0x00, 0x10, 0x00});
}

TEST(WavHeader, CanonicalHeaderGivesFormatAndSeconds) {
  Bytes b;
  AppendText(b, "RIFF");
  AppendLe32(b, 36 + 352800);
  AppendText(b, "WAVE");
  AppendFmt(b);
  AppendText(b, "data");
  AppendLe32(b, 352800);  // two seconds
  std::optional<WavInfo> info = ParseWavHeader(b, 44 + 352800);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->channels, 2);
  EXPECT_EQ(info->sampleRate, 44100);
  EXPECT_EQ(info->bitsPerSample, 16);
  EXPECT_DOUBLE_EQ(info->Seconds(), 2.0);
}

TEST(WavHeader, SkipsOddSizedChunksAndCutsADataSizeThatOverstatesTheFile) {
  Bytes b;
  AppendText(b, "RIFF");
  AppendLe32(b, 0);
  AppendText(b, "WAVE");
  AppendFmt(b);
  AppendText(b, "LIST");
  AppendLe32(b, 3);
  Append(b, {'a', 'b', 'c', 0});  // three bytes and the pad byte
  AppendText(b, "data");
  AppendLe32(b, 0xFFFFFFFF);  // streaming writers leave this
  const uint64_t header = b.size();
  std::optional<WavInfo> info = ParseWavHeader(b, header + 176400);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->dataBytes, 176400u);
  EXPECT_DOUBLE_EQ(info->Seconds(), 1.0);
}

TEST(WavHeader, RefusesWhatIsNotAWav) {
  Bytes riffOnly = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '};
  EXPECT_FALSE(ParseWavHeader(riffOnly, riffOnly.size()));
  Bytes dataBeforeFormat;
  AppendText(dataBeforeFormat, "RIFF");
  AppendLe32(dataBeforeFormat, 0);
  AppendText(dataBeforeFormat, "WAVE");
  AppendText(dataBeforeFormat, "data");
  AppendLe32(dataBeforeFormat, 4);
  EXPECT_FALSE(ParseWavHeader(dataBeforeFormat, 100));
  Bytes shortFormat;
  AppendText(shortFormat, "RIFF");
  AppendLe32(shortFormat, 0);
  AppendText(shortFormat, "WAVE");
  AppendText(shortFormat, "fmt ");
  AppendLe32(shortFormat, 8);  // smaller than any PCM format record
  Append(shortFormat, {1, 0, 2, 0, 0x44, 0xAC, 0, 0});
  EXPECT_FALSE(ParseWavHeader(shortFormat, 100));
  EXPECT_FALSE(ParseWavHeader({}, 0));
}

// One MPEG-1 layer III frame, 128 kbit/s, 44100 Hz, stereo: 417 bytes, 1152 samples.
Bytes Mpeg1Frame(bool information = false) {
  Bytes frame(417, 0);
  frame[0] = 0xFF;
  frame[1] = 0xFB;
  frame[2] = 0x90;
  frame[3] = 0x00;
  if (information) std::copy_n("Info", 4, frame.begin() + 4 + 32);  // after the side information
  return frame;
}

TEST(Mp3Length, CountsFramesAfterAnId3v2TagAndLeavesOutTheInformationFrame) {
  Bytes image = {'I', 'D', '3', 3, 0, 0, 0, 0, 0x01, 0x00};  // syncsafe size 128
  image.resize(10 + 128, 0);
  Bytes info = Mpeg1Frame(true);
  image.insert(image.end(), info.begin(), info.end());
  for (int i = 0; i < 3; ++i) {
    Bytes frame = Mpeg1Frame();
    image.insert(image.end(), frame.begin(), frame.end());
  }
  Mp3Length length = MeasureMp3(image);
  EXPECT_EQ(length.frames, 3u);
  EXPECT_EQ(length.samples, 3u * 1152);
  EXPECT_EQ(length.sampleRate, 44100);
  EXPECT_NEAR(length.Seconds(), 3 * 1152 / 44100.0, 1e-9);
}

TEST(Mp3Length, StopsAtAFrameCutShortOrAtSomethingElse) {
  Bytes image = Mpeg1Frame();
  Bytes second = Mpeg1Frame();
  image.insert(image.end(), second.begin(), second.begin() + 200);  // a crash cut it here
  EXPECT_EQ(MeasureMp3(image).frames, 1u);

  Bytes tagged = Mpeg1Frame();
  for (char c : std::string("TAG")) tagged.push_back(static_cast<uint8_t>(c));
  tagged.resize(tagged.size() + 125, ' ');
  EXPECT_EQ(MeasureMp3(tagged).frames, 1u);
  EXPECT_EQ(MeasureMp3({}).frames, 0u);
}

TEST(Mp3Length, Mpeg2FramesHold576SamplesAtHalfTheRate) {
  // MPEG-2 layer III, 64 kbit/s, 22050 Hz: 72000 * 64 / 22050 = 208 bytes.
  Bytes frame(208, 0);
  frame[0] = 0xFF;
  frame[1] = 0xF3;
  frame[2] = 0x80;
  Bytes image = frame;
  image.insert(image.end(), frame.begin(), frame.end());
  Mp3Length length = MeasureMp3(image);
  EXPECT_EQ(length.frames, 2u);
  EXPECT_EQ(length.sampleRate, 22050);
  EXPECT_EQ(length.samples, 2u * 576);
}

TEST(ProgressText, ClockSpeedAndTimeLeft) {
  EXPECT_EQ(FormatClock(0), "0:00");
  EXPECT_EQ(FormatClock(65), "1:05");
  EXPECT_EQ(FormatClock(3723), "1:02:03");
  EXPECT_EQ(FormatClock(-1), "?");
  // Half of 100 s of audio in 5 s: 10 times real time, 5 s to go.
  ProgressSnapshot half{50, 5.0, 100.0};
  EXPECT_EQ(FormatSpeed(half), "10.0× real time");
  EXPECT_EQ(FormatTimeLeft(half), "0:05 left");
  EXPECT_EQ(FormatProgressLine("in.wav", half), "in.wav: 50% (10.0× real time, 0:05 left)");
  // Nothing to tell before the first per cent, or without the input's length.
  EXPECT_EQ(FormatSpeed({0, 1.0, 100.0}), "");
  EXPECT_EQ(FormatSpeed({50, 1.0, 0.0}), "");
  EXPECT_EQ(FormatProgressLine("in.wav", {0, 0, 0}), "in.wav: 0%");
}

TEST(ProgressText, BarFitsTheTerminalAndFillsWithThePercentage) {
  auto width = [](const std::string& s) {
    int w = 0;
    for (unsigned char c : s) w += (c & 0xC0) != 0x80;
    return w;
  };
  for (int columns : {30, 60, 80, 200}) {
    std::string bar = FormatProgressBar("long-file-name.wav", {37, 2.0, 60.0}, columns);
    EXPECT_LE(width(bar), columns - 3) << bar;  // room for the echo of Ctrl-C
    EXPECT_NE(bar.find(" 37%"), std::string::npos) << bar;
  }
  std::string empty = FormatProgressBar("", {0, 0, 0}, 80);
  EXPECT_EQ(empty.find('#'), std::string::npos);
  std::string full = FormatProgressBar("", {100, 4.0, 60.0}, 80);
  EXPECT_EQ(full.find('.'), full.find("15.0") + 2);  // no '.' inside the bar, only in the speed
  EXPECT_EQ(full.find("left"), std::string::npos);
}

TEST(CommandLine, LongOptionsAliasesAndPositionals) {
  const OptionRule options[] = {{"--bitrate", true}, {"--vbr", false}, {"--jobs", true, "-j"}};
  std::vector<std::string> args = {"a.wav", "--bitrate=192", "-j", "3", "--vbr", "--", "--odd.wav"};
  std::string error;
  std::optional<ParsedArguments> parsed = ParseArguments(args, options, &error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_EQ(parsed->positionals, (std::vector<std::string>{"a.wav", "--odd.wav"}));
  EXPECT_EQ(parsed->Value("--bitrate"), "192");
  EXPECT_EQ(parsed->Value("--jobs"), "3");
  EXPECT_TRUE(parsed->Has("--vbr"));

  std::vector<std::string> unknown = {"--fast"};
  EXPECT_FALSE(ParseArguments(unknown, options, &error));
  EXPECT_EQ(error, "unknown option '--fast'");
  std::vector<std::string> missing = {"--bitrate"};
  EXPECT_FALSE(ParseArguments(missing, options, &error));
  EXPECT_EQ(error, "option '--bitrate' wants a value");
  std::vector<std::string> flagWithValue = {"--vbr=1"};
  EXPECT_FALSE(ParseArguments(flagWithValue, options, &error));

  EXPECT_EQ(ParseNumber("42", 0, 100), 42);
  EXPECT_FALSE(ParseNumber("42x", 0, 100));
  EXPECT_FALSE(ParseNumber("", 0, 100));
  EXPECT_FALSE(ParseNumber("101", 0, 100));
}

std::optional<EncodeSettings> Settings(std::vector<std::string> args, std::string* error) {
  std::optional<ParsedArguments> parsed = ParseArguments(args, EncodeOptions(), error);
  EncodeSettings settings;
  if (!parsed || !ReadEncodeSettings(*parsed, &settings, error)) return std::nullopt;
  return settings;
}

TEST(EncodeSettingsCheck, RefusesValuesTheEncoderWouldRejectLater) {
  std::string error;
  for (std::vector<std::string> bad :
       std::vector<std::vector<std::string>>{{"--bitrate", "100"},
                                             {"--bitrate", "abc"},
                                             {"--mode", "Mono"},
                                             {"--quality", "best"},
                                             {"--priority", "4"},
                                             {"--vbr-max", "256"},
                                             {"--vbr", "--bitrate", "192", "--vbr-max", "128"}}) {
    EXPECT_FALSE(Settings(bad, &error)) << bad[0] << " " << bad[1];
    EXPECT_FALSE(error.empty());
  }
}

TEST(EncodeSettingsCheck, WorkerArgumentsCarryTheSameSettings) {
  std::string error;
  std::optional<EncodeSettings> given =
      Settings({"--bitrate", "192", "--mode", "mono", "--quality", "high", "--vbr", "--vbr-max",
                "256", "--priority", "1"},
               &error);
  ASSERT_TRUE(given) << error;
  std::optional<EncodeSettings> again = Settings(SettingsAsArguments(*given), &error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(again->bitrate, 192);
  EXPECT_EQ(again->mode, "mono");
  EXPECT_EQ(again->quality, "high");
  EXPECT_TRUE(again->vbr);
  EXPECT_EQ(again->vbrMaxBitrate, 256);
  EXPECT_EQ(again->priority, 1);

  std::optional<EncodeSettings> tuned =
      Settings({"-V3", "--title", "T", "--genre", "Rock", "-r"}, &error);
  ASSERT_TRUE(tuned) << error;
  EXPECT_TRUE(tuned->vbr);  // a VBR quality asks for VBR
  EXPECT_TRUE(tuned->recursive);
  std::optional<EncodeSettings> tunedAgain = Settings(SettingsAsArguments(*tuned), &error);
  ASSERT_TRUE(tunedAgain) << error;
  EXPECT_EQ(tunedAgain->vbrQuality, 3);
  EXPECT_FALSE(tunedAgain->bitrateGiven);  // the worker fits it to its own input
  EXPECT_EQ(tunedAgain->tags,
            (std::map<std::string, std::string>{{"--genre", "Rock"}, {"--title", "T"}}));
}

TEST(EncodeSettingsCheck, BitratesFollowWhatTheInputsRateCarries) {
  struct Case {
    std::vector<std::string> options;
    int sampleRate;
    int bitrate;     // after fitting; 0: refused
    int vbrMaximum;  // after fitting
  };
  const Case cases[] = {
      {{}, 44100, 128, 320},
      {{}, 22050, 128, 160},
      {{}, 8000, 64, 64},
      {{}, 0, 128, 320},  // unknown rate: left to the encoder
      {{"--bitrate", "320"}, 48000, 320, 320},
      {{"--bitrate", "192"}, 24000, 0, 0},
      {{"--bitrate", "80"}, 11025, 0, 0},
      {{"--bitrate", "64"}, 12000, 64, 64},
      {{"--vbr"}, 44100, 32, 320},
      {{"--vbr", "--vbr-max", "256"}, 16000, 0, 0},
      {{"--vbr", "--bitrate", "48", "--vbr-max", "160"}, 16000, 48, 160},
  };
  for (const Case& c : cases) {
    std::string error;
    std::optional<EncodeSettings> s = Settings(c.options, &error);
    ASSERT_TRUE(s) << error;
    std::string problem;
    bool fits = FitSettingsToRate(c.sampleRate, &*s, &problem);
    EXPECT_EQ(fits, c.bitrate != 0) << c.sampleRate << " " << problem;
    if (!fits) {
      EXPECT_NE(problem.find(std::to_string(c.sampleRate) + " Hz audio carries at most "),
                std::string::npos)
          << problem;
      continue;
    }
    EXPECT_EQ(s->bitrate, c.bitrate) << c.sampleRate;
    EXPECT_EQ(s->vbrMaxBitrate, c.vbrMaximum) << c.sampleRate;
  }
}

TEST(CommandLine, ShortValuesAttachedAndCommonFlags) {
  std::string error;
  std::vector<std::string> args = {"-j2", "-q", "-V0", "-o", "dir", "in.wav", "-v", "-"};
  std::optional<ParsedArguments> parsed = ParseArguments(args, EncodeOptions(), &error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_EQ(parsed->Value("--jobs"), "2");
  EXPECT_EQ(parsed->Value("--vbr-quality"), "0");
  EXPECT_EQ(parsed->Value("--out-dir"), "dir");
  EXPECT_TRUE(parsed->verbose);  // the last of -q and -v wins
  EXPECT_FALSE(parsed->quiet);
  EXPECT_EQ(parsed->positionals, (std::vector<std::string>{"in.wav", "-"}));
  std::vector<std::string> unknownShort = {"-x2"};
  EXPECT_FALSE(ParseArguments(unknownShort, EncodeOptions(), &error));
  EXPECT_EQ(error, "unknown option '-x2'");
}

}  // namespace
}  // namespace tolvo::tool
