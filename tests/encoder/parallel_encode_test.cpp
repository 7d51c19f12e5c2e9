// Parallel block encoding in libtolvomp3enc1.so against the sequential encode of the same input:
// the frames themselves (byte-identical where the padding pattern allows), the info frame that
// describes the whole stream, the block plan's arithmetic, and the seek table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "be_stream_client.h"
#include "block_plan.h"
#include "info_tag.h"
#include "lame_stream.h"
#include "seek_points.h"
#include "test_support.h"
#include "tolvo/mpeg/frame_header.h"

namespace tolvo::test {
namespace {

using encoder::BeConfig;

// Music-like stereo: chords of decaying harmonic notes that change every 0.4 s, a noise burst
// (a drum) every half second, a quiet passage and a second of silence; the channels differ.
std::vector<int16_t> MusicLike(int channels, int rate, double seconds) {
  const auto frames = static_cast<int64_t>(seconds * rate);
  std::vector<int16_t> out(static_cast<size_t>(frames * channels));
  uint32_t noise = 2463534242u;
  const double notes[] = {220.0, 261.6, 329.6, 392.0, 246.9, 293.7, 349.2, 440.0};
  for (int64_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const int note = static_cast<int>(t / 0.4);
    const double inNote = t - note * 0.4;
    const double inBeat = std::fmod(t, 0.5);
    noise ^= noise << 13;
    noise ^= noise >> 17;
    noise ^= noise << 5;
    const double white = static_cast<double>(noise & 0xFFFF) / 32768.0 - 1.0;
    const bool silent = std::fmod(t, 12.0) >= 11.0;
    const double level = std::fmod(t, 12.0) >= 9.0 ? 0.05 : 1.0;
    for (int ch = 0; ch < channels; ++ch) {
      double v = 0;
      for (int voice = 0; voice < 3; ++voice) {
        const double f = notes[(note + 2 * voice + ch) % 8] * (voice == 2 ? 2 : 1);
        for (int h = 1; h <= 4; ++h) {
          v += std::sin(2 * std::numbers::pi * f * h * t) / (h * h) * std::exp(-3.0 * inNote);
        }
      }
      v = 5000.0 * v + 6000.0 * white * std::exp(-40.0 * inBeat);
      out[i * channels + ch] =
          silent ? 0 : static_cast<int16_t>(std::clamp(level * v, -32767.0, 32767.0));
    }
  }
  return out;
}

// The frames of an MP3 stream, each as its bytes.
std::vector<Bytes> SplitFrames(const Bytes& mp3) {
  std::vector<Bytes> frames;
  for (size_t at = 0; at + 4 <= mp3.size();) {
    const size_t length = mpeg::Layer3FrameLength(mp3.data() + at);
    if (length == 0 || at + length > mp3.size()) break;
    frames.emplace_back(mp3.begin() + at, mp3.begin() + at + length);
    at += length;
  }
  return frames;
}

Bytes Encode(const BeLibrary& be, BeConfig config, uint32_t workers,
             const std::vector<int16_t>& samples, const std::string& path) {
  config.workerCount = workers;
  const EncodeResult r = EncodeToFile(be, config, samples, path);
  EXPECT_EQ(r.init | r.encode | r.deinit | r.infoTag | r.close, 0u);
  return ReadFile(path);
}

// The info frame's fields, read at the named offsets.
struct InfoFields {
  std::string marker;
  uint32_t frames = 0, bytes = 0, musicLength = 0;
  int delay = 0, padding = 0;
  uint16_t musicCrc = 0, tagCrc = 0;
  Bytes toc;
  bool tagCrcValid = false;
};

uint32_t Be32(const uint8_t* p) { return (p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

InfoFields ReadInfo(const Bytes& frame) {
  namespace at = encoder::info_tag;
  InfoFields f;
  const uint8_t* tag = frame.data() + mpeg::InfoTagOffset(frame.data());
  f.marker.assign(reinterpret_cast<const char*>(tag), 4);
  f.frames = Be32(tag + at::kFrameCount);
  f.bytes = Be32(tag + at::kByteCount);
  f.toc.assign(tag + at::kToc, tag + at::kToc + at::kTocSize);
  f.delay = (tag[at::kDelayPadding] << 4) | (tag[at::kDelayPadding + 1] >> 4);
  f.padding = ((tag[at::kDelayPadding + 1] & 0x0F) << 8) | tag[at::kDelayPadding + 2];
  f.musicLength = Be32(tag + at::kMusicLength);
  f.musicCrc = static_cast<uint16_t>((tag[at::kMusicCrc] << 8) | tag[at::kMusicCrc + 1]);
  f.tagCrc = static_cast<uint16_t>((tag[at::kTagCrc] << 8) | tag[at::kTagCrc + 1]);
  const size_t covered = static_cast<size_t>(tag - frame.data()) + at::kTagCrc;
  f.tagCrcValid = encoder::Crc16(frame.data(), covered) == f.tagCrc;
  return f;
}

uint16_t AudioCrc(const std::vector<Bytes>& frames) {
  uint16_t crc = 0;
  for (size_t i = 1; i < frames.size(); ++i)
    crc = encoder::Crc16(frames[i].data(), frames[i].size(), crc);
  return crc;
}

struct IdentityCase {
  int rate;
  uint32_t mode;
  uint32_t bitrate;
  bool vbr;
  double leastIdentical;  // share of audio frames byte-identical to the sequential encode
};

std::string IdentityName(const ::testing::TestParamInfo<IdentityCase>& info) {
  return std::to_string(info.param.rate) + "Hz_mode" + std::to_string(info.param.mode) + "_" +
         std::to_string(info.param.bitrate) + (info.param.vbr ? "_vbr" : "_cbr");
}

class ParallelEncodeTest : public ::testing::TestWithParam<IdentityCase> {
 protected:
  BeLibrary be;
  TempDir dir;
};

// Three workers against one: the same frames (the same lengths at CBR, where the padding pattern
// is the whole stream's, and mostly the same bytes), and an info frame that counts them all.
// Frames differ after some joins in quiet passages, where libmp3lame settles slowly; which joins
// those are depends on which context takes which block, and so on timing.
TEST_P(ParallelEncodeTest, FramesAndInfoFrameMatchTheSequentialEncode) {
  const IdentityCase c = GetParam();
  const int channels = c.mode == 3 ? 1 : 2;
  const std::vector<int16_t> input = MusicLike(channels, c.rate, 30.3);
  const BeConfig config = MakeConfig(c.rate, c.mode, c.bitrate, c.vbr);
  const Bytes oneFile = Encode(be, config, 1, input, dir / "one.mp3");
  const Bytes manyFile = Encode(be, config, 3, input, dir / "many.mp3");
  const std::vector<Bytes> one = SplitFrames(oneFile);
  const std::vector<Bytes> many = SplitFrames(manyFile);
  ASSERT_EQ(one.size(), many.size());
  ASSERT_GT(one.size(), 500u);

  size_t same = 0;
  for (size_t i = 1; i < one.size(); ++i) {
    same += one[i] == many[i];
    if (!c.vbr) {
      ASSERT_EQ(one[i].size(), many[i].size()) << "frame " << i;
    }
  }
  const double share = static_cast<double>(same) / static_cast<double>(one.size() - 1);
  RecordProperty("identical_frames_percent", std::to_string(100 * share));
  std::printf("%s: %zu of %zu audio frames identical to the sequential encode (%.2f%%)\n",
              IdentityName({c, 0}).c_str(), same, one.size() - 1, 100 * share);
  EXPECT_GE(share, c.leastIdentical);

  // The sequential stream's info frame is libmp3lame's own: it checks our reading of the fields.
  const InfoFields seq = ReadInfo(one[0]);
  const InfoFields par = ReadInfo(many[0]);
  ASSERT_EQ(seq.marker, c.vbr ? "Xing" : "Info");
  EXPECT_EQ(seq.frames, one.size() - 1);
  EXPECT_EQ(seq.bytes, oneFile.size());
  EXPECT_EQ(seq.musicCrc, AudioCrc(one));
  EXPECT_TRUE(seq.tagCrcValid);

  EXPECT_EQ(par.marker, seq.marker);
  EXPECT_EQ(par.frames, many.size() - 1);
  EXPECT_EQ(par.bytes, manyFile.size());
  EXPECT_EQ(par.musicLength, manyFile.size());
  EXPECT_EQ(par.delay, seq.delay);
  EXPECT_EQ(par.padding, seq.padding);
  EXPECT_EQ(par.musicCrc, AudioCrc(many));
  EXPECT_TRUE(par.tagCrcValid);
  EXPECT_TRUE(std::is_sorted(par.toc.begin(), par.toc.end()));
  EXPECT_EQ(par.toc[0], 0);
  for (size_t i = 0; i < 100; ++i) EXPECT_NEAR(par.toc[i], seq.toc[i], 2) << "seek entry " << i;
  // Every other byte of the frame is the sequential one's (VBR frames, and so the byte counts,
  // differ where the frames do).
  Bytes a = one[0], b = many[0];
  const size_t tag = mpeg::InfoTagOffset(a.data());
  for (Bytes* f : {&a, &b}) {
    if (c.vbr) {
      std::fill(f->begin() + tag + encoder::info_tag::kByteCount,
                f->begin() + tag + encoder::info_tag::kToc, 0);
      std::fill(f->begin() + tag + encoder::info_tag::kMusicLength,
                f->begin() + tag + encoder::info_tag::kMusicCrc, 0);
    }
    std::fill(f->begin() + tag + encoder::info_tag::kToc,
              f->begin() + tag + encoder::info_tag::kToc + encoder::info_tag::kTocSize, 0);
    std::fill(f->begin() + tag + encoder::info_tag::kMusicCrc,
              f->begin() + tag + encoder::info_tag::kEnd, 0);
  }
  EXPECT_EQ(a, b);
}

INSTANTIATE_TEST_SUITE_P(Settings, ParallelEncodeTest,
                         ::testing::Values(IdentityCase{44100, 1, 128, false, 0.96},
                                           IdentityCase{48000, 0, 192, false, 0.95},
                                           IdentityCase{22050, 1, 64, false, 0.96},
                                           IdentityCase{32000, 3, 96, false, 0.96},
                                           IdentityCase{44100, 1, 112, false, 0.96},
                                           IdentityCase{44100, 1, 128, true, 0.96}),
                         IdentityName);

// The 16-bit samples mpg123 decodes from an MP3 file (it honours the delay and padding of the
// info frame, so a gapless decode has the input's length).
std::vector<int16_t> Decode(const std::string& mp3) {
  std::string raw;
  EXPECT_EQ(RunCommand("mpg123 -q -s '" + mp3 + "'", &raw), 0);
  std::vector<int16_t> samples(raw.size() / 2);
  std::memcpy(samples.data(), raw.data(), samples.size() * 2);
  return samples;
}

// Signal-to-error ratio of each 50 ms window, in dB (capped at 120 for a window without error).
// A window of digital silence has no signal to measure against: it holds the level of the error
// itself, in dB below full scale (RMS), and `silent` is set.
struct WindowQuality {
  double snr = 0;
  bool silent = false;
};

std::vector<WindowQuality> WindowSnr(const std::vector<int16_t>& input,
                                     const std::vector<int16_t>& decoded, int channels, int rate) {
  const size_t window = static_cast<size_t>(rate / 20) * channels;
  std::vector<WindowQuality> snr;
  for (size_t start = 0; start + window <= input.size(); start += window) {
    double signal = 0, error = 0;
    for (size_t i = start; i < start + window; ++i) {
      const double e = static_cast<double>(decoded[i]) - input[i];
      signal += static_cast<double>(input[i]) * input[i];
      error += e * e;
    }
    WindowQuality q;
    q.silent = signal == 0;
    const double reference = q.silent ? 32768.0 * 32768.0 * static_cast<double>(window) : signal;
    q.snr = error == 0 ? 120.0 : std::min(120.0, 10 * std::log10(reference / error));
    snr.push_back(q);
  }
  return snr;
}

// The largest step between neighbouring samples of one channel's error: a click at a join
// shows as a jump in the error that the sequential encode does not have.
double LargestErrorStep(const std::vector<int16_t>& input, const std::vector<int16_t>& decoded,
                        int channels) {
  double largest = 0;
  for (size_t i = channels; i < input.size(); ++i) {
    const double now = static_cast<double>(decoded[i]) - input[i];
    const double before = static_cast<double>(decoded[i - channels]) - input[i - channels];
    largest = std::max(largest, std::abs(now - before));
  }
  return largest;
}

class ParallelQualityTest : public ParallelEncodeTest {};

// Decoded with mpg123, the parallel encode is as good as the sequential one in every 50 ms of the
// music, and as long, and it has no click where blocks join.
TEST_P(ParallelQualityTest, DecodesAsWellAsTheSequentialEncode) {
  const IdentityCase c = GetParam();
  const int channels = c.mode == 3 ? 1 : 2;
  const std::vector<int16_t> input = MusicLike(channels, c.rate, 30.3);
  const BeConfig config = MakeConfig(c.rate, c.mode, c.bitrate, c.vbr);
  Encode(be, config, 1, input, dir / "one.mp3");
  Encode(be, config, 0, input, dir / "all.mp3");  // one worker per online core
  const std::vector<int16_t> one = Decode(dir / "one.mp3");
  const std::vector<int16_t> all = Decode(dir / "all.mp3");
  ASSERT_EQ(one.size(), input.size());
  ASSERT_EQ(all.size(), input.size());

  const std::vector<WindowQuality> snrOne = WindowSnr(input, one, channels, c.rate);
  const std::vector<WindowQuality> snrAll = WindowSnr(input, all, channels, c.rate);
  double sumOne = 0, sumAll = 0;
  size_t heard = 0;  // windows with music
  for (size_t w = 0; w < snrOne.size(); ++w) {
    if (!snrOne[w].silent) {
      sumOne += snrOne[w].snr;
      sumAll += snrAll[w].snr;
      ++heard;
    }
    // Error 40 dB below the music is beyond hearing; in silence, error 80 dB below full scale is
    // a few steps of the last bit.
    const double enough = snrOne[w].silent ? 80 : 40;
    if (snrOne[w].snr > enough && snrAll[w].snr > enough) continue;
    EXPECT_GT(snrAll[w].snr, snrOne[w].snr - 3.0) << "window " << w << " at " << w * 0.05 << " s";
  }
  ASSERT_GT(heard, 0u);
  const double meanOne = sumOne / heard, meanAll = sumAll / heard;
  std::printf("mean window SNR: sequential %.2f dB, parallel %.2f dB\n", meanOne, meanAll);
  EXPECT_NEAR(meanAll, meanOne, 0.2);
  EXPECT_LE(LargestErrorStep(input, all, channels), 1.5 * LargestErrorStep(input, one, channels));
}

INSTANTIATE_TEST_SUITE_P(Settings, ParallelQualityTest,
                         ::testing::Values(IdentityCase{44100, 1, 128, false, 0},
                                           IdentityCase{22050, 3, 64, false, 0},
                                           IdentityCase{48000, 2, 256, false, 0},
                                           IdentityCase{44100, 1, 128, true, 0}),
                         IdentityName);

// Frames too small for an info frame (8 kbit/s at 8 kHz): no context reserves one, every frame
// of every block is audio, and the stream is as long as the sequential one.
TEST(ParallelEncodeSmallFrames, StreamsWithoutAnInfoFrameJoinToo) {
  BeLibrary be;
  TempDir dir;
  const std::vector<int16_t> input = MusicLike(1, 8000, 20.0);
  const BeConfig config = MakeConfig(8000, 3, 8, false);
  const Bytes oneFile = Encode(be, config, 1, input, dir / "one.mp3");
  const Bytes manyFile = Encode(be, config, 3, input, dir / "many.mp3");
  const std::vector<Bytes> one = SplitFrames(oneFile), many = SplitFrames(manyFile);
  ASSERT_EQ(many.size(), one.size());
  EXPECT_FALSE(mpeg::CarriesInfoTag(many[0].data(), many[0].size()));
  size_t same = 0;
  for (size_t i = 0; i < one.size(); ++i) same += one[i] == many[i];
  EXPECT_GE(same, one.size() * 97 / 100);
  EXPECT_EQ(Decode(dir / "many.mp3").size(), Decode(dir / "one.mp3").size());
}

// Sixteen workers open a context each for the first blocks; those whose input does not reach
// back to a start in the padding phase begin with silence: every frame still has the sequential
// encode's length, and the stream decodes to the input's length.
TEST(ParallelEncodeManyWorkers, NewContextsOutOfPhaseKeepThePaddingPattern) {
  BeLibrary be;
  TempDir dir;
  const std::vector<int16_t> input = MusicLike(2, 44100, 40.0);
  const BeConfig config = MakeConfig(44100, 1, 128, false);
  const std::vector<Bytes> one = SplitFrames(Encode(be, config, 1, input, dir / "one.mp3"));
  const std::vector<Bytes> many = SplitFrames(Encode(be, config, 16, input, dir / "many.mp3"));
  ASSERT_EQ(many.size(), one.size());
  size_t same = 0;
  for (size_t i = 0; i < one.size(); ++i) {
    ASSERT_EQ(many[i].size(), one[i].size()) << "frame " << i;
    same += one[i] == many[i];
  }
  EXPECT_GE(same, one.size() * 93 / 100);
  EXPECT_EQ(Decode(dir / "many.mp3").size(), input.size());
}

// With a CRC after each header the info tag still sits right behind the side information, where
// libmp3lame writes it and decoders look: the joined stream's totals land in it, sequential or
// in blocks.
TEST(ParallelEncodeCrc, TheInfoFrameOfAProtectedStreamCountsTheWholeStream) {
  BeLibrary be;
  TempDir dir;
  const std::vector<int16_t> input = MusicLike(2, 44100, 20.0);
  BeConfig config = MakeConfig(44100, 1, 128, false);
  config.crc = 1;
  for (uint32_t workers : {1u, 3u}) {
    SCOPED_TRACE(workers);
    const std::vector<Bytes> frames =
        SplitFrames(Encode(be, config, workers, input, dir / "crc.mp3"));
    ASSERT_GT(frames.size(), 2u);
    ASSERT_TRUE(mpeg::ReadLayer3Header(frames[0].data())->crc);
    // Header and 32 bytes of MPEG-1 stereo side information; the CRC is not counted.
    EXPECT_EQ(mpeg::InfoTagOffset(frames[0].data()), 4u + 32u);
    const InfoFields info = ReadInfo(frames[0]);
    EXPECT_EQ(info.marker, "Info");
    EXPECT_EQ(info.frames, frames.size() - 1);
    EXPECT_EQ(info.musicCrc, AudioCrc(frames));
    EXPECT_TRUE(info.tagCrcValid);
  }
}

// A stream shorter than one block is block 0 alone: the sequential encode, byte for byte.
TEST(ParallelEncodeShort, AStreamOfOneBlockIsTheSequentialEncode) {
  BeLibrary be;
  TempDir dir;
  for (double seconds : {0.0, 0.01, 1.2}) {
    const std::vector<int16_t> input = MusicLike(2, 44100, seconds);
    const BeConfig config = MakeConfig(44100, 1, 128, false);
    EXPECT_EQ(Encode(be, config, 4, input, dir / "many.mp3"),
              Encode(be, config, 1, input, dir / "one.mp3"))
        << seconds << " s";
  }
}

// Padding periods: 144 x bitrate / rate bytes per MPEG-1 frame (72 x below 32 kHz), its
// fraction carried as a padding byte, repeat after rate / gcd(rate, slots x bitrate mod rate).
// Blocks join without gaps, and a context is in the stream's padding phase where it is wanted:
// a new one at block 1, one that skips a block at the block after next, any other within the
// block's input.
TEST(BlockPlan, BlocksJoinWithoutGapsAndContextsStayInPhase) {
  struct Case {
    int bitrate, rate, period;
  };
  for (const Case c : {Case{128, 44100, 49}, Case{112, 44100, 7}, Case{320, 44100, 49},
                       Case{192, 48000, 1}, Case{96, 32000, 1}, Case{64, 22050, 49},
                       Case{32, 24000, 1}, Case{8, 11025, 49}, Case{56, 8000, 1}}) {
    EXPECT_EQ(mpeg::PaddingPeriod(c.bitrate, c.rate), c.period) << c.bitrate << "@" << c.rate;
    const encoder::BlockPlan plan = encoder::PlanBlocks(c.rate, c.period);
    const int fs = plan.frameSamples;
    EXPECT_EQ(fs, c.rate >= 32000 ? 1152 : 576);
    EXPECT_EQ(plan.firstBlockFrames % c.period, 0);
    EXPECT_EQ(plan.longestBlockFrames % c.period, 0);
    EXPECT_GE(plan.longestBlockFrames, plan.firstBlockFrames);
    EXPECT_GE(plan.warmupFrames * fs, encoder::WarmupSamples(c.rate));
    EXPECT_EQ(plan.KeepFrom(0), 0);
    EXPECT_EQ(plan.InputStart(0), 0);
    EXPECT_EQ(plan.AlignedStart(plan.Start(1), 0), plan.Start(1));
    EXPECT_EQ((plan.tailPieceFrames - plan.joinFrames) % c.period, 0);
    EXPECT_GT(plan.tailPieceFrames, plan.warmupFrames + plan.lookaheadFrames);
    for (int64_t b = 0; b < 12; ++b) {
      const int64_t size = plan.Start(b + 1) - plan.Start(b);
      EXPECT_EQ(size, std::min<int64_t>((b + 1) * plan.firstBlockFrames, plan.longestBlockFrames) +
                          (b > 0 ? plan.joinFrames : 0))
          << "block " << b;
      EXPECT_EQ(plan.KeepTo(b), plan.KeepFrom(b + 1));
      EXPECT_EQ(plan.KeepFrom(b + 1) - plan.Start(b + 1), plan.warmupFrames);
      EXPECT_LT(plan.InputStart(b + 1), plan.InputEnd(b));  // blocks overlap: warm-up, lookahead
      EXPECT_LT(plan.InputEnd(b), plan.InputStart(b + 2));  // never more than two at once
      // A context in phase that encoded block b goes on to block b + 2 without preroll.
      EXPECT_EQ(plan.AlignedStart(plan.Start(b + 2), plan.InputEnd(b) / fs), plan.Start(b + 2));
      // One that skips more blocks starts a join earlier for each, within the block's input.
      for (int64_t skip = 2; skip <= 3; ++skip) {
        const int64_t from = plan.AlignedStart(plan.Start(b + skip), plan.InputEnd(b) / fs);
        EXPECT_EQ(((from - plan.InputEnd(b) / fs) % c.period + c.period) % c.period, 0);
        EXPECT_LE(from, plan.Start(b + skip));
        EXPECT_GE(from * fs, plan.InputStart(b + skip)) << b << " + " << skip;
      }
    }
  }
}

// The seek table of a long stream comes from a bounded set of points and still matches the
// exact byte positions.
TEST(SeekPoints, TableMatchesExactPositionsWithinOneStep) {
  encoder::SeekPoints points(417);
  std::vector<uint64_t> starts;
  uint64_t next = 417;
  uint32_t noise = 7;
  for (int i = 0; i < 300000; ++i) {  // about two hours at 44.1 kHz
    noise = noise * 1103515245u + 12345u;
    const uint32_t bytes = 104 + (noise >> 16) % 1338;
    starts.push_back(next);
    points.AddFrame(bytes);
    next += bytes;
  }
  const std::array<uint8_t, 100> table = points.Table(next);
  EXPECT_EQ(table[0], 0);  // the first audio frame, behind 417 bytes of a stream of 200 MB
  for (size_t i = 0; i < 100; ++i) {
    const double exact = 256.0 * static_cast<double>(starts[i * starts.size() / 100]) / next;
    EXPECT_NEAR(table[i], exact, 1.0) << i;
    if (i > 0) {
      EXPECT_GE(table[i], table[i - 1]);
    }
  }
}

}  // namespace
}  // namespace tolvo::test
