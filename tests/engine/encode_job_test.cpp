// The encode job with the real encoder library, driven through interface1 as the control drives
// it: results, outputs that mpg123 decodes, progress, pause, cancel and process priority.
#include "lame/encode_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "core/engine_state.h"
#include "engine_client.h"
#include "info_tag.h"
#include "test_support.h"
#include "tolvo/mpeg/frame_header.h"
#include "tolvo/platform/dynamic_library.h"
#include "tolvo/platform/process_priority.h"
#include "tolvo/system_files.h"

namespace tolvo::engine {
namespace {

using namespace test_client;

using namespace std::chrono_literals;

class EncodeJobTest : public RealEncoderTest {
 protected:
  void SetUp() override {
    Send("bitrate", 128);
    Send("vbr", 0);
    Send("vbrmaxbitrate", 320);
    Send("stereomode", 1);
    Send("quality", 0);
    Send("intpriority", 2);
  }
  int32_t Encode(const std::string& input, const std::string& output) {
    return EncodeThroughInterface(input, output);
  }

  test::TempDir dir_;
};

TEST_F(EncodeJobTest, StereoWavBecomesAnMp3OfTheSameLength) {
  const std::string wav = dir_ / "in.wav", mp3 = dir_ / "out.mp3";
  test::WriteWav(wav, {.channels = 2, .sampleRate = 44100, .frames = 2 * 44100});
  EXPECT_EQ(Send("intreturn"), 0);  // nothing has run yet
  EXPECT_EQ(Encode(wav, mp3), kJobSucceeded);
  EXPECT_NEAR(test::DecodedSeconds(mp3), 2.0, 0.03);
  // The header counts in the size, so a finished job shows 99, and keeps showing it.
  EXPECT_EQ(Send("progress"), 99);
  EXPECT_EQ(Send("progress"), 99);
}

TEST_F(EncodeJobTest, OutputFoldersAreMadeAndLowRateMonoIsEncoded) {
  const std::string wav = dir_ / "mono.wav", mp3 = dir_ / "new/sub/out.mp3";
  test::WriteWav(wav, {.channels = 1, .sampleRate = 22050, .frames = 22050});
  Send("stereomode", 0);
  Send("bitrate", 64);
  EXPECT_EQ(Encode(wav, mp3), kJobSucceeded);
  EXPECT_NEAR(test::DecodedSeconds(mp3), 1.0, 0.03);
}

TEST_F(EncodeJobTest, MonoModeForStereoInputIsStoredAsFour) {
  const std::string wav = dir_ / "in.wav", mp3 = dir_ / "out.mp3";
  test::WriteWav(wav, {.frames = 11025});
  Send("stereomode", 3);
  EXPECT_EQ(Encode(wav, mp3), kJobSucceeded);
  EXPECT_EQ(State().stereoMode.load(), 4);
  EXPECT_GT(test::DecodedSeconds(mp3), 0.2);
}

// Samples run to the end of the file, so a chunk after the data whose size leaves half a stereo
// frame at the end must not make the encoder fail.
TEST_F(EncodeJobTest, TrailingHalfFrameOfAStereoFileIsDropped) {
  const std::string wav = dir_ / "tail.wav", mp3 = dir_ / "out.mp3";
  test::Bytes bytes = test::MakeWav({.channels = 2, .sampleRate = 44100, .frames = 44100});
  const test::Bytes tail = {'L', 'I', 'S', 'T', 2, 0, 0, 0, 'a', 'b'};  // 10 bytes: 5 values
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  test::WriteFile(wav, bytes);
  EXPECT_EQ(Encode(wav, mp3), kJobSucceeded);
  EXPECT_NEAR(test::DecodedSeconds(mp3), 1.0, 0.03);
}

TEST_F(EncodeJobTest, HeaderOnlyWavSucceeds) {
  const std::string wav = dir_ / "empty.wav", mp3 = dir_ / "out.mp3";
  test::WriteWav(wav, {.frames = 0});
  EXPECT_EQ(Encode(wav, mp3), kJobSucceeded);
  EXPECT_TRUE(test::Exists(mp3));
  EXPECT_EQ(Send("progress"), 0);
}

TEST_F(EncodeJobTest, BadSettingsEndTheJobAfterTheOutputWasCreated) {
  const std::string wav = dir_ / "in.wav";
  test::WriteWav(wav, {.frames = 4410});
  struct Case {
    const char* command;
    int32_t value;
    int32_t expected;
  };
  for (Case c :
       {Case{"bitrate", 100, kJobInvalidBitrate}, Case{"stereomode", 7, kJobInvalidStereoMode},
        Case{"stereomode", -1, kJobInvalidStereoMode}, Case{"quality", 3, kJobInvalidQuality}}) {
    SetUp();
    Send(c.command, c.value);
    const std::string mp3 = dir_ / (std::string(c.command) + std::to_string(c.value) + ".mp3");
    EXPECT_EQ(Encode(wav, mp3), c.expected) << c.command << " " << c.value;
    EXPECT_EQ(test::SizeOf(mp3), 0) << "the empty output stays";
  }
}

TEST_F(EncodeJobTest, EncoderRefusesAVbrMaximumOf500) {
  const std::string wav = dir_ / "in.wav", mp3 = dir_ / "out.mp3";
  test::WriteWav(wav, {.frames = 4410});
  Send("vbr", 1);
  Send("vbrmaxbitrate", 500);
  EXPECT_EQ(Encode(wav, mp3), kJobStreamRefused);
}

TEST_F(EncodeJobTest, PathFailures) {
  const std::string wav = dir_ / "in.wav";
  test::WriteWav(wav, {.frames = 4410});
  EXPECT_EQ(Encode(dir_ / "missing.wav", dir_ / "a.mp3"), kJobInvalidWave);
  EXPECT_EQ(Encode(wav, dir_ / "folder/"), kJobMissingFileName);
  EXPECT_EQ(Encode(wav, "bare.mp3"), kJobCannotCreateFolder);
  EXPECT_FALSE(test::Exists("bare.mp3"));
  test::WriteFile(dir_ / "file", {1});
  EXPECT_EQ(Encode(wav, dir_ / "file/out.mp3"), kJobCannotCreateFolder);
}

TEST_F(EncodeJobTest, PauseHoldsTheJobAndCancelEndsItWithAValidShorterMp3) {
  const std::string wav = dir_ / "long.wav", mp3 = dir_ / "out.mp3";
  test::WriteWav(wav, {.channels = 2, .sampleRate = 44100, .frames = 30 * 44100});
  ASSERT_EQ(Send("passfiles", Text(wav), Text(mp3)), 0);
  Send("pause");
  std::this_thread::sleep_for(150ms);
  const int32_t held = Send("progress");
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(Send("progress"), held);
  EXPECT_LT(held, 99);
  EXPECT_EQ(Send("intreturn"), kJobRunning);

  // A second job is refused and the running one keeps its paths.
  const std::string other = dir_ / "other.mp3";
  EXPECT_EQ(Send("passfiles", Text(dir_ / "x.wav"), Text(other)), 1);
  EXPECT_STREQ(State().inputPath, wav.c_str());

  EXPECT_EQ(Send("cancel"), 0);  // returns once the job has ended
  EXPECT_EQ(Send("intreturn"), kJobCancelled);
  const double seconds = test::DecodedSeconds(mp3);
  EXPECT_GE(seconds, 0.0);
  EXPECT_LT(seconds, 29.0);
  EXPECT_FALSE(test::Exists(other));
}

// The frames of an MP3 file, each as its bytes; stops at the first byte that starts no frame.
std::vector<test::Bytes> Frames(const test::Bytes& mp3, size_t* parsedBytes) {
  std::vector<test::Bytes> frames;
  size_t at = 0;
  while (at + 4 <= mp3.size()) {
    const size_t length = mpeg::Layer3FrameLength(mp3.data() + at);
    if (length == 0 || at + length > mp3.size()) break;
    frames.emplace_back(mp3.begin() + at, mp3.begin() + at + length);
    at += length;
  }
  *parsedBytes = at;
  return frames;
}

uint32_t InfoCount(const test::Bytes& frame, size_t field) {
  const uint8_t* p = frame.data() + mpeg::InfoTagOffset(frame.data()) + field;
  return (uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

// Pausing a job encoded on several threads changes nothing in its output, and the workers wait at
// the job's priority; a cancel leaves a valid MP3 that is the beginning of the whole encode.
TEST_F(EncodeJobTest, PausedAndCancelledParallelEncodesLeaveContiguousStreams) {
  const std::string wav = dir_ / "in.wav";
  test::WriteWav(wav, {.channels = 2, .sampleRate = 44100, .frames = 20 * 44100});
  Send("threads", 3);
  ASSERT_EQ(Encode(wav, dir_ / "whole.mp3"), kJobSucceeded);
  const test::Bytes whole = test::ReadFile(dir_ / "whole.mp3");

  Send("intpriority", 1);
  ASSERT_EQ(Send("passfiles", Text(wav), Text(dir_ / "paused.mp3")), 0);
  Send("pause");
  std::this_thread::sleep_for(150ms);
  const int32_t held = Send("progress");
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(Send("progress"), held);
  EXPECT_EQ(Send("intreturn"), kJobRunning);
  const std::vector<int> nice = platform::ThreadNiceValues();
  EXPECT_GE(nice.size(), 5u);  // this thread, the job and its three workers
  EXPECT_TRUE(std::all_of(nice.begin(), nice.end(), [](int v) { return v == 19; }));
  Send("resume");
  ASSERT_EQ(WaitForResult(), kJobSucceeded);
  EXPECT_EQ(test::ReadFile(dir_ / "paused.mp3"), whole);

  Send("intpriority", 2);
  const std::string cut = dir_ / "cancelled.mp3";
  ASSERT_EQ(Send("passfiles", Text(wav), Text(cut)), 0);
  // The previous job's 99 stands until the new job has started.
  auto midway = [] {
    const int32_t p = Send("progress");
    return p >= 40 && p < 99;
  };
  while (!midway() && Send("intreturn") == kJobRunning) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(Send("cancel"), 0);
  ASSERT_EQ(Send("intreturn"), kJobCancelled);

  const test::Bytes mp3 = test::ReadFile(cut);
  size_t parsed = 0;
  const std::vector<test::Bytes> frames = Frames(mp3, &parsed);
  size_t wholeParsed = 0;
  const std::vector<test::Bytes> wholeFrames = Frames(whole, &wholeParsed);
  EXPECT_EQ(parsed, mp3.size()) << "every byte belongs to a frame";
  ASSERT_GT(frames.size(), wholeFrames.size() / 3);
  ASSERT_LT(frames.size(), wholeFrames.size());
  EXPECT_EQ(InfoCount(frames[0], encoder::info_tag::kFrameCount), frames.size() - 1);
  EXPECT_EQ(InfoCount(frames[0], encoder::info_tag::kByteCount), mp3.size());
  // Only the last block, flushed where the input stopped, ends differently.
  const size_t common = frames.size() - 120;
  for (size_t i = 1; i < common; ++i) ASSERT_EQ(frames[i], wholeFrames[i]) << "frame " << i;
  const double seconds = test::DecodedSeconds(cut);
  EXPECT_NEAR(seconds, (frames.size() - 1) * 1152.0 / 44100, 0.1);
}

TEST_F(EncodeJobTest, ResumedJobFinishes) {
  const std::string wav = dir_ / "in.wav", mp3 = dir_ / "out.mp3";
  test::WriteWav(wav, {.frames = 3 * 44100});
  ASSERT_EQ(Send("passfiles", Text(wav), Text(mp3)), 0);
  Send("pause");
  std::this_thread::sleep_for(100ms);
  Send("resume");
  EXPECT_EQ(WaitForResult(), kJobSucceeded);
  EXPECT_NEAR(test::DecodedSeconds(mp3), 3.0, 0.03);
}

TEST_F(EncodeJobTest, CancelWhileIdleDoesNotCancelTheNextJob) {
  const std::string wav = dir_ / "in.wav", mp3 = dir_ / "out.mp3";
  test::WriteWav(wav, {.frames = 44100});
  Send("pause");
  EXPECT_EQ(Send("cancel"), 0);
  EXPECT_EQ(Encode(wav, mp3), kJobSucceeded);  // passfiles cleared both flags
  EXPECT_NEAR(test::DecodedSeconds(mp3), 1.0, 0.03);
}

TEST_F(EncodeJobTest, PriorityReachesEveryThreadOfTheProcess) {
  const std::string wav = dir_ / "in.wav";
  test::WriteWav(wav, {.frames = 4410});
  std::atomic<bool> stop{false};
  std::thread bystander([&stop] {
    while (!stop.load()) std::this_thread::sleep_for(5ms);
  });
  auto allNiceAre = [](int nice) {
    auto values = platform::ThreadNiceValues();
    EXPECT_GE(values.size(), 2u);
    for (int v : values) {
      if (v != nice) return false;
    }
    return true;
  };

  Send("intpriority", 1);
  EXPECT_EQ(Encode(wav, dir_ / "idle.mp3"), kJobSucceeded);
  EXPECT_TRUE(allNiceAre(19));
  for (int other : {0, 4}) {  // no change
    Send("intpriority", other);
    EXPECT_EQ(Encode(wav, dir_ / "same.mp3"), kJobSucceeded);
    EXPECT_TRUE(allNiceAre(19)) << other;
  }
  Send("intpriority", 3);
  EXPECT_EQ(Encode(wav, dir_ / "high.mp3"), kJobSucceeded);
  EXPECT_TRUE(allNiceAre(-10));  // the tests run as root, who may raise priority
  Send("intpriority", 2);
  EXPECT_EQ(Encode(wav, dir_ / "normal.mp3"), kJobSucceeded);
  EXPECT_TRUE(allNiceAre(0));
  stop.store(true);
  bystander.join();
}

TEST(EncodeJobRules, ProgressIsTruncatedPerCentOfTheWholeFile) {
  EXPECT_EQ(ProgressPercent(0, 100), 0);
  EXPECT_EQ(ProgressPercent(100, 0), 0);
  EXPECT_EQ(ProgressPercent(300, 100), 33);
  EXPECT_EQ(ProgressPercent(200, 199), 99);
  EXPECT_EQ(ProgressPercent(4444, 4400), 99);  // canonical header, 4400 bytes of samples
  EXPECT_EQ(ProgressPercent(10'000'044, 10'000'000), 99);
  EXPECT_EQ(ProgressPercent(int64_t{6} << 30, int64_t{3} << 30), 50);  // beyond 32 bits
}

TEST(EncodeJobRules, PriorityLevelsMapToNiceValues) {
  EXPECT_EQ(NiceForPriority(1), 19);
  EXPECT_EQ(NiceForPriority(2), 0);
  EXPECT_EQ(NiceForPriority(3), -10);
  EXPECT_FALSE(NiceForPriority(0).has_value());
  EXPECT_FALSE(NiceForPriority(4).has_value());
}

}  // namespace
}  // namespace tolvo::engine
