// libtolvomp3enc1.so through its six exported functions: whole encodes checked by decoding them
// with mpg123, the info frame, chunk sizes, and the refusal of bad settings, handles and counts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <sstream>
#include <thread>

#include "be_stream_client.h"
#include "test_support.h"
#include "tolvo/system_files.h"

namespace tolvo::test {
namespace {

using encoder::BeConfig;
using encoder::BeStream;

class BeStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(be.complete()) << platform::LastLibraryError(); }

  // A stream that encodes, or a failed assertion.
  BeStream Open(const BeConfig& config, uint32_t* samplesPerChunk = nullptr,
                uint32_t* bufferSize = nullptr) {
    uint32_t chunk = 0, size = 0;
    BeStream stream = 0;
    EXPECT_EQ(be.init(&config, &chunk, &size, &stream), 0u);
    EXPECT_NE(stream, 0u);
    if (samplesPerChunk) *samplesPerChunk = chunk;
    if (bufferSize) *bufferSize = size;
    return stream;
  }

  BeLibrary be;
  TempDir dir;
};

// The four bytes at which a Xing/Info tag starts in the first frame, for an unprotected frame.
std::string TagAtStart(const Bytes& mp3) {
  if (mp3.size() < 64 || mp3[0] != 0xFF) return "";
  const bool mpeg1 = ((mp3[1] >> 3) & 3) == 3;
  const bool mono = (mp3[3] >> 6) == 3;
  const size_t at = 4 + (mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17));
  return std::string(reinterpret_cast<const char*>(&mp3[at]), 4);
}

TEST(BeStreamLibrary, ExportsExactlyTheSixFunctionsUnderItsBareName) {
  const std::string path = OutDir() + "/" + kEncoderLibraryName;
  std::string symbols;
  ASSERT_EQ(RunCommand("nm -D --defined-only '" + path + "'", &symbols), 0);
  std::set<std::string> names;
  std::istringstream lines(symbols);
  for (std::string address, type, name; lines >> address >> type >> name;) names.insert(name);
  EXPECT_EQ(names, (std::set<std::string>{"beInitStream", "beEncodeChunk", "beDeinitStream",
                                          "beCloseStream", "beWriteVBRHeader", "beWriteInfoTag"}));
  std::string dynamic;
  ASSERT_EQ(RunCommand("readelf -d '" + path + "'", &dynamic), 0);
  EXPECT_NE(dynamic.find("Library soname: [libtolvomp3enc1.so]"), std::string::npos) << dynamic;
}

struct EncodeCase {
  uint32_t rate;
  uint32_t channelMode;
  bool vbr;
};

std::string CaseName(const ::testing::TestParamInfo<EncodeCase>& info) {
  return std::to_string(info.param.rate) + "Hz_mode" + std::to_string(info.param.channelMode) +
         (info.param.vbr ? "_vbr" : "_cbr");
}

class BeStreamEncode : public BeStreamTest, public ::testing::WithParamInterface<EncodeCase> {};

// Decoders honour the delay and padding of the info frame, so the MP3 plays exactly as long as
// the input; one frame of tolerance covers a decoder that keeps a partial frame.
TEST_P(BeStreamEncode, DecodesToTheInputsDurationWithTheRightInfoFrame) {
  const EncodeCase c = GetParam();
  const int channels = c.channelMode == 3 ? 1 : 2;
  const int64_t frames = c.rate * 13 / 10 + 77;  // not a whole number of chunks
  const uint32_t bitrate = c.rate < 32000 ? 64 : 128;
  const std::string mp3 = dir / "out.mp3";

  EncodeResult r = EncodeToFile(be, MakeConfig(c.rate, c.channelMode, bitrate, c.vbr),
                                Sine(channels, static_cast<int>(c.rate), frames), mp3);
  ASSERT_EQ(r.init, 0u);
  EXPECT_EQ(r.encode, 0u);
  EXPECT_EQ(r.deinit, 0u);
  EXPECT_EQ(r.infoTag, 0u);
  EXPECT_EQ(r.close, 0u);

  const Bytes bytes = ReadFile(mp3);
  EXPECT_EQ(TagAtStart(bytes), c.vbr ? "Xing" : "Info");
  const bool monoOut = c.channelMode >= 3;
  EXPECT_EQ(bytes[3] >> 6, monoOut ? 3 : c.channelMode) << "channel mode in the frame header";

  const double expected = static_cast<double>(frames) / c.rate;
  const double decoded = DecodedSeconds(mp3);
  EXPECT_NEAR(decoded, expected, 1152.0 / c.rate);
}

INSTANTIATE_TEST_SUITE_P(Modes, BeStreamEncode,
                         ::testing::Values(EncodeCase{22050, 3, false}, EncodeCase{22050, 3, true},
                                           EncodeCase{44100, 0, false}, EncodeCase{44100, 0, true},
                                           EncodeCase{44100, 1, false}, EncodeCase{44100, 1, true},
                                           EncodeCase{44100, 2, false}, EncodeCase{44100, 2, true},
                                           EncodeCase{44100, 4, false}, EncodeCase{44100, 4, true},
                                           EncodeCase{48000, 0, false}, EncodeCase{48000, 0, true},
                                           EncodeCase{48000, 1, false}, EncodeCase{48000, 1, true},
                                           EncodeCase{48000, 2, false}, EncodeCase{48000, 2, true},
                                           EncodeCase{48000, 4, false}, EncodeCase{48000, 4, true}),
                         CaseName);

TEST_F(BeStreamTest, ChunkAndBufferSizesFollowTheInputRateAndChannels) {
  struct Case {
    uint32_t rate, mode, bitrate, chunk;
  } cases[] = {{44100, 1, 128, 2304}, {48000, 4, 128, 2304}, {32000, 0, 128, 2304},
               {22050, 3, 64, 576},   {16000, 1, 64, 1152},  {8000, 3, 32, 576}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rate) + " Hz, mode " + std::to_string(c.mode));
    uint32_t chunk = 0, size = 0;
    BeStream stream = Open(MakeConfig(c.rate, c.mode, c.bitrate, false), &chunk, &size);
    EXPECT_EQ(chunk, c.chunk);
    EXPECT_GE(size, chunk * 5 / 4 + 7200);
    EXPECT_EQ(be.close(stream), 0u);
  }
}

// Settings that no stream can honour are refused at the start, with no handle given out.
TEST_F(BeStreamTest, RefusesRecordsAndSettingsItCannotHonour) {
  struct Case {
    const char* what;
    void (*change)(BeConfig&);
  } cases[] = {
      {"record kind", [](BeConfig& c) { c.configKind = 0; }},
      {"record version", [](BeConfig& c) { c.recordVersion = 2; }},
      {"record size", [](BeConfig& c) { c.recordSize = 330; }},
      {"input rate 0", [](BeConfig& c) { c.inputSampleRate = 0; }},
      {"output rate not of MPEG", [](BeConfig& c) { c.outputSampleRate = 44000; }},
      {"channel mode 5", [](BeConfig& c) { c.channelMode = 5; }},
      {"quality preset 3", [](BeConfig& c) { c.qualityPreset = 3; }},
      {"bitrate 100", [](BeConfig& c) { c.bitrate = 100; }},
      {"bitrate 0", [](BeConfig& c) { c.bitrate = 0; }},
      {"bitrate 144 at 44.1 kHz", [](BeConfig& c) { c.bitrate = 144; }},
      {"bitrate 320 at 22.05 kHz output",
       [](BeConfig& c) {
         c.bitrate = 320;
         c.outputSampleRate = 22050;
       }},
      {"bitrate 192 at 22.05 kHz input, mono",
       [](BeConfig& c) {
         c.inputSampleRate = 22050;
         c.channelMode = 3;
         c.bitrate = 192;
       }},
      {"VBR maximum 500",
       [](BeConfig& c) {
         c.enableVbr = 1;
         c.vbrMaxBitrate = 500;
       }},
      {"VBR quality 10",
       [](BeConfig& c) {
         c.enableVbr = 1;
         c.vbrQuality = 10;
       }},
      {"VBR minimum 320 at 22.05 kHz",
       [](BeConfig& c) {
         c.inputSampleRate = 22050;
         c.enableVbr = 1;
         c.bitrate = 320;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BeConfig config = MakeConfig(44100, 1, 128, false);
    c.change(config);
    uint32_t chunk = 0, size = 0;
    BeStream stream = 99;
    EXPECT_NE(be.init(&config, &chunk, &size, &stream), 0u);
    EXPECT_EQ(stream, 0u);
  }
}

TEST_F(BeStreamTest, AcceptsTheEdgesOfWhatAStreamCanCarry) {
  struct Case {
    const char* what;
    BeConfig config;
  } cases[] = {
      {"VBR maximum 320 above what 22.05 kHz carries", MakeConfig(22050, 3, 64, true, 320)},
      {"VBR maximum below the minimum", MakeConfig(44100, 1, 192, true, 128)},
      {"VBR maximum without VBR is not read", MakeConfig(44100, 1, 128, false, 500)},
      {"highest bitrate at 48 kHz", MakeConfig(48000, 0, 320, false)},
      {"resampled to a given output rate",
       [] {
         BeConfig c = MakeConfig(44100, 1, 64, false);
         c.outputSampleRate = 22050;
         return c;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int channels = c.config.channelMode == 3 ? 1 : 2;
    const int rate = static_cast<int>(c.config.inputSampleRate);
    const std::string mp3 = dir / "edge.mp3";
    EncodeResult r = EncodeToFile(be, c.config, Sine(channels, rate, rate / 2), mp3);
    ASSERT_EQ(r.init, 0u);
    EXPECT_EQ(r.infoTag, 0u);
    EXPECT_NEAR(DecodedSeconds(mp3), 0.5, 1152.0 / rate);
  }
}

// At 32 kbit/s libmp3lame resamples to 16 kHz, whose frames are too small for an info frame,
// so none is reserved: the stream starts with audio and the info call leaves it as it is.
TEST_F(BeStreamTest, StreamWithFramesTooSmallForAnInfoFrameStaysUntouched) {
  const std::string mp3 = dir / "small.mp3";
  EncodeResult r = EncodeToFile(be, MakeConfig(44100, 1, 32, false), Sine(2, 44100, 22050), mp3);
  ASSERT_EQ(r.init, 0u);
  EXPECT_EQ(r.deinit, 0u);
  EXPECT_EQ(r.infoTag, 0u);
  const Bytes bytes = ReadFile(mp3);
  ASSERT_GT(bytes.size(), 64u);
  EXPECT_EQ(bytes[2] >> 4, 4) << "32 kbit/s in an MPEG-2 frame header";
  EXPECT_NE(TagAtStart(bytes), "Info");
  EXPECT_NE(TagAtStart(bytes), std::string(4, '\0')) << "no blank frame is left at the start";
  // Without delay and padding the decoder plays the encoder's delay and padding too.
  const double decoded = DecodedSeconds(mp3);
  EXPECT_GE(decoded, 0.5);
  EXPECT_LE(decoded, 0.5 + 3 * 576.0 / 16000);
}

TEST_F(BeStreamTest, RefusesNullPointers) {
  const BeConfig config = MakeConfig(44100, 1, 128, false);
  uint32_t chunk = 0, size = 0;
  BeStream stream = 0;
  EXPECT_NE(be.init(nullptr, &chunk, &size, &stream), 0u);
  EXPECT_NE(be.init(&config, nullptr, &size, &stream), 0u);
  EXPECT_NE(be.init(&config, &chunk, nullptr, &stream), 0u);
  EXPECT_NE(be.init(&config, &chunk, &size, nullptr), 0u);

  stream = Open(config, &chunk, &size);
  std::vector<int16_t> samples = Sine(2, 44100, chunk / 2);
  std::vector<uint8_t> output(size);
  uint32_t produced = 0;
  EXPECT_NE(be.encode(stream, chunk, nullptr, output.data(), &produced), 0u);
  EXPECT_NE(be.encode(stream, chunk, samples.data(), nullptr, &produced), 0u);
  EXPECT_NE(be.encode(stream, chunk, samples.data(), output.data(), nullptr), 0u);
  EXPECT_NE(be.deinit(stream, nullptr, &produced), 0u);
  EXPECT_NE(be.deinit(stream, output.data(), nullptr), 0u);
  EXPECT_NE(be.writeInfoTag(stream, nullptr), 0u);
  EXPECT_NE(be.writeVbrHeader(nullptr), 0u);
  // None of these harmed the stream.
  EXPECT_EQ(be.encode(stream, chunk, samples.data(), output.data(), &produced), 0u);
  EXPECT_EQ(be.close(stream), 0u);
}

TEST_F(BeStreamTest, RefusesHandlesOfNoLiveStream) {
  uint32_t chunk = 0, size = 0;
  const BeStream closed = Open(MakeConfig(44100, 1, 128, false), &chunk, &size);
  ASSERT_EQ(be.close(closed), 0u);
  std::vector<int16_t> samples(chunk);
  std::vector<uint8_t> output(size);
  const std::string mp3 = dir / "none.mp3";
  WriteFile(mp3, Bytes(1000, 0xFF));
  for (BeStream handle : {BeStream{0}, closed, BeStream{0xDEADBEEF}, ~BeStream{0}}) {
    SCOPED_TRACE(handle);
    uint32_t produced = 7;
    EXPECT_NE(be.encode(handle, chunk, samples.data(), output.data(), &produced), 0u);
    EXPECT_EQ(produced, 0u);
    EXPECT_NE(be.deinit(handle, output.data(), &produced), 0u);
    EXPECT_NE(be.writeInfoTag(handle, mp3.c_str()), 0u);
    EXPECT_NE(be.close(handle), 0u);
  }
  EXPECT_EQ(ReadFile(mp3), Bytes(1000, 0xFF));
}

TEST_F(BeStreamTest, RefusesCountsThatAreNotWholeFramesOrExceedAChunk) {
  uint32_t chunk = 0, size = 0;
  const BeStream stream = Open(MakeConfig(44100, 1, 128, false), &chunk, &size);
  std::vector<int16_t> samples = Sine(2, 44100, chunk);  // room for twice a chunk
  std::vector<uint8_t> output(size);
  uint32_t produced = 0;
  EXPECT_NE(be.encode(stream, 3, samples.data(), output.data(), &produced), 0u);
  EXPECT_NE(be.encode(stream, chunk + 2, samples.data(), output.data(), &produced), 0u);
  EXPECT_NE(be.encode(stream, 0xFFFFFFFE, samples.data(), output.data(), &produced), 0u);
  EXPECT_EQ(be.encode(stream, 0, samples.data(), output.data(), &produced), 0u);
  EXPECT_EQ(produced, 0u);
  EXPECT_EQ(be.encode(stream, chunk, samples.data(), output.data(), &produced), 0u);
  EXPECT_EQ(be.encode(stream, 2, samples.data(), output.data(), &produced), 0u);
  EXPECT_EQ(be.close(stream), 0u);

  const BeStream mono = Open(MakeConfig(22050, 3, 64, false), &chunk, &size);
  EXPECT_EQ(be.encode(mono, 3, samples.data(), output.data(), &produced), 0u);
  EXPECT_NE(be.encode(mono, chunk + 1, samples.data(), output.data(), &produced), 0u);
  EXPECT_EQ(be.close(mono), 0u);
}

// The info frame needs the flushed stream's totals; a stream that ended without its flush (the
// engine skips the flush after an encoder failure) leaves the file alone.
TEST_F(BeStreamTest, WritesTheInfoFrameOnlyAfterTheFlushAndOnlyOverItsOwnStart) {
  uint32_t chunk = 0, size = 0;
  BeConfig sequential = MakeConfig(44100, 1, 128, true);
  sequential.workerCount = 1;  // frames leave with each chunk, so the reserved frame is seen
  const BeStream stream = Open(sequential, &chunk, &size);
  std::vector<int16_t> samples = Sine(2, 44100, 20 * chunk / 2);
  std::vector<uint8_t> output(size);
  Bytes mp3;
  for (size_t at = 0; at < samples.size(); at += chunk) {
    uint32_t produced = 0;
    ASSERT_EQ(be.encode(stream, chunk, samples.data() + at, output.data(), &produced), 0u);
    mp3.insert(mp3.end(), output.begin(), output.begin() + produced);
  }
  const std::string path = dir / "partial.mp3";
  WriteFile(path, mp3);
  EXPECT_NE(be.writeInfoTag(stream, path.c_str()), 0u);
  EXPECT_EQ(ReadFile(path), mp3);
  EXPECT_EQ(TagAtStart(mp3), std::string(4, '\0')) << "the reserved frame is blank";

  uint32_t produced = 0;
  ASSERT_EQ(be.deinit(stream, output.data(), &produced), 0u);
  mp3.insert(mp3.end(), output.begin(), output.begin() + produced);
  EXPECT_NE(be.encode(stream, chunk, samples.data(), output.data(), &produced), 0u);
  EXPECT_NE(be.deinit(stream, output.data(), &produced), 0u) << "a second flush";

  const std::string foreign = dir / "foreign.mp3";
  const Bytes text(4000, 'x');
  WriteFile(foreign, text);
  EXPECT_NE(be.writeInfoTag(stream, foreign.c_str()), 0u);
  EXPECT_EQ(ReadFile(foreign), text);
  EXPECT_NE(be.writeInfoTag(stream, (dir / "missing.mp3").c_str()), 0u);
  EXPECT_FALSE(Exists(dir / "missing.mp3"));
  const std::string shortFile = dir / "short.mp3";
  WriteFile(shortFile, Bytes(mp3.begin(), mp3.begin() + 10));
  EXPECT_NE(be.writeInfoTag(stream, shortFile.c_str()), 0u);
  EXPECT_EQ(SizeOf(shortFile), 10);

  WriteFile(path, mp3);
  EXPECT_NE(be.writeVbrHeader(path.c_str()), 0u) << "no info frame yet";
  EXPECT_EQ(be.writeInfoTag(stream, path.c_str()), 0u);
  const Bytes tagged = ReadFile(path);
  EXPECT_EQ(tagged.size(), mp3.size());
  EXPECT_EQ(TagAtStart(tagged), "Xing");
  EXPECT_EQ(be.writeVbrHeader(path.c_str()), 0u);
  EXPECT_EQ(be.close(stream), 0u);
}

// Streams are independent: two threads encode at once, each its own stream.
TEST_F(BeStreamTest, EncodesTwoStreamsAtOnce) {
  auto work = [&](uint32_t rate, const std::string& path, EncodeResult* result) {
    *result = EncodeToFile(be, MakeConfig(rate, 1, 128, rate == 48000),
                           Sine(2, static_cast<int>(rate), rate), path);
  };
  EncodeResult a, b;
  std::thread first(work, 44100, dir / "a.mp3", &a);
  std::thread second(work, 48000, dir / "b.mp3", &b);
  first.join();
  second.join();
  for (const EncodeResult* r : {&a, &b}) {
    EXPECT_EQ(r->init + r->encode + r->deinit + r->infoTag + r->close, 0u);
  }
  EXPECT_NEAR(DecodedSeconds(dir / "a.mp3"), 1.0, 1152.0 / 44100);
  EXPECT_NEAR(DecodedSeconds(dir / "b.mp3"), 1.0, 1152.0 / 48000);
}

}  // namespace
}  // namespace tolvo::test
