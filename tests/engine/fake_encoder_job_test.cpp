// The encode job against a stand-in encoder library that records its calls and fails on demand:
// the configuration record the job fills, the steps that still run after a failure, and output
// writes or closes that fail.
#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/engine_state.h"
#include "engine_client.h"
#include "fake_encoder.h"
#include "lame/encode_job.h"
#include "test_support.h"
#include "tolvo/platform/dynamic_library.h"
#include "tolvo/platform/event_descriptor.h"
#include "tolvo/platform/forwarding_file_system.h"

namespace tolvo::engine {
namespace {

using namespace test_client;

using namespace std::chrono_literals;

class FakeEncoderJobTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    library_ = platform::LoadLibrary(TOLVO_FAKE_ENCODER);
    ASSERT_NE(library_, nullptr) << platform::LastLibraryError();
    reset_ =
        reinterpret_cast<FakeEncoderResetFn>(platform::FindSymbol(library_, "FakeEncoderReset"));
    readLog_ = reinterpret_cast<FakeEncoderReadLogFn>(
        platform::FindSymbol(library_, "FakeEncoderReadLog"));
    ASSERT_TRUE(reset_ && readLog_);
  }
  void SetUp() override {
    Plan({});
    for (auto [command, value] : {std::pair{"bitrate", 128},
                                  {"vbr", 0},
                                  {"vbrmaxbitrate", 320},
                                  {"stereomode", 1},
                                  {"quality", 0},
                                  {"intpriority", 0},
                                  {"threads", 0}}) {
      Send(command, value);
    }
    test::WriteWav(wav_, {.channels = 2, .sampleRate = 44100, .frames = 10000});
  }
  void Plan(const FakeEncoderPlan& plan) { reset_(&plan); }
  FakeEncoderLog Log() {
    FakeEncoderLog log;
    readLog_(&log);
    return log;
  }
  // Runs the job on this thread with the given file layer.
  int32_t RunWith(platform::FileSystem& fs) {
    CopyPathField(State().inputPath, wav_.c_str());
    CopyPathField(State().outputPath, mp3_.c_str());
    return RunEncodeJob(fs);
  }

  static inline platform::LibraryHandle library_ = nullptr;
  static inline FakeEncoderResetFn reset_ = nullptr;
  static inline FakeEncoderReadLogFn readLog_ = nullptr;
  test::TempDir dir_;
  const std::string wav_ = dir_ / "in.wav";
  const std::string mp3_ = dir_ / "out.mp3";
};

TEST_F(FakeEncoderJobTest, FillsTheRecordAndEndsTheStreamInOrder) {
  Send("bitrate", 192);
  Send("vbr", 1);
  Send("vbrmaxbitrate", 500);  // passed on untested; only the encoder may refuse it
  Send("quality", 2);
  Send("threads", 3);
  ASSERT_EQ(EncodeThroughInterface(wav_, mp3_), kJobSucceeded);
  const FakeEncoderLog log = Log();
  const uint32_t workers = log.config.workerCount;  // a copy: the packed field is unaligned
  EXPECT_EQ(workers, 3u);
  EXPECT_EQ(log.config.configKind, 256u);
  EXPECT_EQ(log.config.inputSampleRate, 44100u);
  EXPECT_EQ(log.config.channelMode, 1u);
  EXPECT_EQ(log.config.bitrate, 192u);
  EXPECT_EQ(log.config.vbrMaxBitrate, 500u);
  EXPECT_EQ(log.config.qualityPreset, 2u);
  EXPECT_EQ(log.config.enableVbr, 1u);
  EXPECT_EQ(log.samplesSeen, 2u * 10000u);  // every sample value once
  EXPECT_EQ(log.chunkCalls,
            static_cast<int>((20000 + kFakeSamplesPerChunk - 1) / kFakeSamplesPerChunk));
  EXPECT_EQ(log.flushCalls, 1);
  EXPECT_EQ(log.infoTagCalls, 1);
  EXPECT_EQ(log.closeCalls, 1);
  EXPECT_STREQ(log.infoTagPath, mp3_.c_str());
  // Every byte the encoder produced reached the file: 16 per chunk and 4 from the flush.
  EXPECT_EQ(test::SizeOf(mp3_), 16 * log.chunkCalls + 4);
}

TEST_F(FakeEncoderJobTest, VbrQualityReachesTheRecordAndOnlyItsRangeIsStored) {
  Send("vbr", 1);
  ASSERT_EQ(EncodeThroughInterface(wav_, mp3_), kJobSucceeded);
  EXPECT_EQ(Log().config.vbrQuality, 0u);  // until a host asks for another
  struct Case {
    int32_t sent;
    int32_t result;
    uint32_t inRecord;
  };
  for (Case c : {Case{4, 0, 4}, Case{10, 1, 4}, Case{-1, 1, 4}, Case{9, 0, 9}, Case{0, 0, 0}}) {
    EXPECT_EQ(Send("vbrquality", c.sent), c.result) << c.sent;
    ASSERT_EQ(EncodeThroughInterface(wav_, mp3_), kJobSucceeded);
    EXPECT_EQ(Log().config.vbrQuality, c.inRecord) << c.sent;
  }
}

// Each caller's descriptor becomes readable once the job's result can be read, and only then.
TEST_F(FakeEncoderJobTest, JobEndDescriptorsAreSignalledAfterTheResultIsStored) {
  const int32_t first = Send("jobeventfd");
  const int32_t second = Send("jobeventfd");
  ASSERT_GT(first, 2);
  ASSERT_GT(second, 2);
  ASSERT_NE(first, second);
  auto readable = [](int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN) != 0;
  };
  EXPECT_FALSE(readable(first, 0));
  ASSERT_EQ(Send("passfiles", Text(wav_), Text(mp3_)), 0);
  for (int fd : {first, second}) {
    ASSERT_TRUE(readable(fd, 10000));
    EXPECT_EQ(Send("intreturn"), kJobSucceeded);
    EXPECT_TRUE(platform::DrainEventDescriptor(fd));
    EXPECT_FALSE(readable(fd, 0));
  }
  EXPECT_EQ(Send("closejobeventfd", first), 0);
  EXPECT_EQ(Send("closejobeventfd", first), 1);  // not one of the engine's any more
  EXPECT_EQ(Send("closejobeventfd", 1), 1);      // never one of them
  // The next job signals only the descriptor still open.
  ASSERT_EQ(EncodeThroughInterface(wav_, mp3_), kJobSucceeded);
  EXPECT_TRUE(readable(second, 10000));
  EXPECT_EQ(Send("closejobeventfd", second), 0);
}

TEST_F(FakeEncoderJobTest, ChannelModeFollowsTheInput) {
  test::WriteWav(wav_, {.channels = 1, .sampleRate = 8000, .frames = 100});
  for (int32_t mode : {0, 1, 2, 3, 4}) {
    Send("stereomode", mode);
    ASSERT_EQ(EncodeThroughInterface(wav_, mp3_), kJobSucceeded);
    EXPECT_EQ(Log().config.channelMode, 3u) << "mono input, stereomode " << mode;
  }
  test::WriteWav(wav_, {.channels = 2, .frames = 100});
  Send("stereomode", 3);
  ASSERT_EQ(EncodeThroughInterface(wav_, mp3_), kJobSucceeded);
  EXPECT_EQ(Log().config.channelMode, 4u);
  EXPECT_EQ(State().stereoMode.load(), 4);
}

TEST_F(FakeEncoderJobTest, RefusedStreamIsNeitherTaggedNorClosed) {
  Plan({.initStatus = 1});
  EXPECT_EQ(EncodeThroughInterface(wav_, mp3_), kJobStreamRefused);
  const FakeEncoderLog log = Log();
  EXPECT_EQ(log.chunkCalls, 0);
  EXPECT_EQ(log.infoTagCalls, 0);
  EXPECT_EQ(log.closeCalls, 0);
  EXPECT_EQ(test::SizeOf(mp3_), 0);
}

TEST_F(FakeEncoderJobTest, FailedFirstChunkSkipsTheFlushButEndsTheStream) {
  Plan({.chunkStatus = 5, .failAtChunk = 1});
  EXPECT_EQ(EncodeThroughInterface(wav_, mp3_), kJobEncoderFailed);
  const FakeEncoderLog log = Log();
  EXPECT_EQ(log.chunkCalls, 1);
  EXPECT_EQ(log.flushCalls, 0);
  EXPECT_EQ(log.infoTagCalls, 1);
  EXPECT_EQ(log.closeCalls, 1);
}

TEST_F(FakeEncoderJobTest, FailedFlushIsAnEncoderFailure) {
  Plan({.flushStatus = 5});
  EXPECT_EQ(EncodeThroughInterface(wav_, mp3_), kJobEncoderFailed);
  EXPECT_EQ(Log().infoTagCalls, 1);
  EXPECT_EQ(Log().closeCalls, 1);
}

TEST_F(FakeEncoderJobTest, EncoderClaimingMoreThanItsBufferIsAFailure) {
  Plan({.chunkOutputBytes = 2 * kFakeOutputBufferSize + 1});
  EXPECT_EQ(EncodeThroughInterface(wav_, mp3_), kJobEncoderFailed);
  EXPECT_EQ(test::SizeOf(mp3_), 0);
}

// The real file system, except for the job's output (and optionally its input) file.
class FaultyOutputFs final : public platform::ForwardingFileSystem {
 public:
  bool shortWrites = false;
  bool failClose = false;
  bool failChunkReads = false;

  platform::IoResult<int> Open(const char* path, platform::OpenMode mode) override {
    platform::IoResult<int> fd = ForwardingFileSystem::Open(path, mode);
    if (fd && mode == platform::OpenMode::kCreate) outputFd_ = *fd;
    return fd;
  }
  platform::IoResult<size_t> Read(int fd, void* buffer, size_t count) override {
    if (failChunkReads && count == 2 * kFakeSamplesPerChunk) return Failure();
    return ForwardingFileSystem::Read(fd, buffer, count);
  }
  platform::IoResult<size_t> Write(int fd, const void* buffer, size_t count) override {
    if (shortWrites && fd == outputFd_) return size_t{0};  // a full disk
    return ForwardingFileSystem::Write(fd, buffer, count);
  }
  platform::IoStatus Close(int fd) override {
    platform::IoStatus status = ForwardingFileSystem::Close(fd);
    if (failClose && fd == outputFd_) return Failure();
    return status;
  }

 private:
  static platform::IoError Failure() { return platform::ErrorOf(platform::IoErrorKind::kOther); }
  int outputFd_ = -1;
};

TEST_F(FakeEncoderJobTest, ShortWriteIsAWriteFailureAndTheStreamStillEnds) {
  FaultyOutputFs fs;
  fs.shortWrites = true;
  EXPECT_EQ(RunWith(fs), kJobOutputWriteFailed);
  const FakeEncoderLog log = Log();
  EXPECT_EQ(log.chunkCalls, 1);
  EXPECT_EQ(log.flushCalls, 0);
  EXPECT_EQ(log.infoTagCalls, 1);
  EXPECT_EQ(log.closeCalls, 1);
}

TEST_F(FakeEncoderJobTest, FailedCloseOfTheOutputIsNeverSuccess) {
  FaultyOutputFs fs;
  fs.failClose = true;
  EXPECT_EQ(RunWith(fs), kJobOutputWriteFailed);
  EXPECT_EQ(Log().infoTagCalls, 1);
}

TEST_F(FakeEncoderJobTest, ReadErrorInTheSamplesIsNotAFinishedEncode) {
  FaultyOutputFs fs;
  fs.failChunkReads = true;
  EXPECT_EQ(RunWith(fs), kJobCannotOpenInput);
  EXPECT_EQ(Log().chunkCalls, 0);
  EXPECT_EQ(Log().closeCalls, 1);
}

// Without any encoder library in the process the job cannot bind. The check runs in a fresh
// process that never loaded the stand-in, without a display so that the debug box prints only.
TEST(UnboundEncoderDeathTest, MissingLibraryEndsTheJobWith101) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  test::TempDir dir;
  const std::string wav = dir / "in.wav";
  test::WriteWav(wav, {.frames = 100});
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        std::exit(EncodeThroughInterface(wav, dir / "out.mp3"));
      },
      ::testing::ExitedWithCode(101), "tolvomp3enc1");
}

}  // namespace
}  // namespace tolvo::engine
