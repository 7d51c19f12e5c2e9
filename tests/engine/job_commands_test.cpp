// The job and settings commands through interface1: initial state, exact names, stored settings,
// path fields, and the passfiles/cancel protocol around a running job.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "core/engine_state.h"
#include "engine_client.h"

namespace tolvo::engine {
namespace {

using namespace test_client;

// Each test starts from the state a freshly loaded engine has. (Run before any other test of the
// same process, the first test also sees it; gtest_discover_tests gives each test its process.)
TEST(JobCommands, StartsWithTheInitialState) {
  EXPECT_EQ(Send("intreturn"), 0);
  EXPECT_EQ(Send("progress"), 0);
  const EngineState& state = State();
  EXPECT_EQ(state.bitrate.load(), 128);
  EXPECT_EQ(state.useVbr.load(), 0);
  EXPECT_EQ(state.vbrMaxBitrate.load(), 320);
  EXPECT_EQ(state.stereoMode.load(), 1);
  EXPECT_EQ(state.quality.load(), 0);
  EXPECT_EQ(state.priority.load(), 2);
  EXPECT_EQ(state.pauseRequested.load(), 0);
  EXPECT_EQ(state.cancelRequested.load(), 0);
  EXPECT_STREQ(state.inputPath, "Track03.wav");
  EXPECT_STREQ(state.outputPath, "c:\\backup\\Track03.mp3");
  EXPECT_STREQ(state.programFolder, "Track03.wav");
  EXPECT_STREQ(state.tempFolder, "");
}

TEST(JobCommands, SettingsAreStoredUnvalidatedAsTheLow32Bits) {
  EngineState& state = State();
  EXPECT_EQ(Send("bitrate", 100), 0);
  EXPECT_EQ(state.bitrate.load(), 100);
  EXPECT_EQ(Send("vbr", 7), 0);
  EXPECT_EQ(state.useVbr.load(), 7);
  EXPECT_EQ(Send("vbrmaxbitrate", 500), 0);
  EXPECT_EQ(state.vbrMaxBitrate.load(), 500);
  EXPECT_EQ(Send("stereomode", -3), 0);
  EXPECT_EQ(state.stereoMode.load(), -3);
  EXPECT_EQ(Send("quality", 9), 0);
  EXPECT_EQ(state.quality.load(), 9);
  EXPECT_EQ(Send("intpriority", (intptr_t{1} << 32) | 3), 0);
  EXPECT_EQ(state.priority.load(), 3);
}

TEST(JobCommands, NamesMatchExactlyAndUnknownCommandsDoNothing) {
  EngineState& state = State();
  state.bitrate.store(128);
  for (const char* near : {"Bitrate", "bitrate ", "bitrat", "BITRATE", "bitrates"}) {
    EXPECT_EQ(Send(near, 320), 0) << near;
  }
  EXPECT_EQ(state.bitrate.load(), 128);
  EXPECT_EQ(interface1(nullptr, 1, 2, 3), 0);
}

TEST(JobCommands, PathCommandsCopyTheTextAndRefuseOverlongOnes) {
  EngineState& state = State();
  std::string folder = "/opt/tolvo";
  EXPECT_EQ(Send("passpath", Text(folder.c_str())), 0);
  folder[1] = 'X';  // the engine keeps its own copy
  EXPECT_STREQ(state.programFolder, "/opt/tolvo");
  EXPECT_EQ(Send("definetempfolder", Text("/var/tmp/")), 0);
  EXPECT_STREQ(state.tempFolder, "/var/tmp/");

  const std::string fits(kPathFieldSize - 1, 'a');
  EXPECT_EQ(Send("passpath", Text(fits.c_str())), 0);
  EXPECT_EQ(std::strlen(state.programFolder), kPathFieldSize - 1);
  const std::string tooLong(kPathFieldSize, 'b');
  EXPECT_EQ(Send("passpath", Text(tooLong.c_str())), 0);
  EXPECT_STREQ(state.programFolder, "");
  EXPECT_EQ(Send("definetempfolder", 0), 0);  // no text reads as the empty one
  EXPECT_STREQ(state.tempFolder, "");
}

TEST(JobCommands, PauseAndResumeOnlyMoveTheFlag) {
  EngineState& state = State();
  EXPECT_EQ(Send("pause"), 0);
  EXPECT_EQ(state.pauseRequested.load(), 1);
  EXPECT_EQ(Send("intreturn"), state.jobState.load());
  EXPECT_EQ(Send("resume"), 0);
  EXPECT_EQ(state.pauseRequested.load(), 0);
}

TEST(JobCommands, PassfilesWhileRunningIsRefusedAndTouchesNothing) {
  EngineState& state = State();
  CopyPathField(state.inputPath, "/music/running.wav");
  CopyPathField(state.outputPath, "/music/running.mp3");
  state.pauseRequested.store(1);
  state.jobState.store(kJobRunning);  // as if a job were running

  EXPECT_EQ(Send("passfiles", Text("/other/in.wav"), Text("/other/out.mp3")), 1);
  EXPECT_STREQ(state.inputPath, "/music/running.wav");
  EXPECT_STREQ(state.outputPath, "/music/running.mp3");
  EXPECT_EQ(state.pauseRequested.load(), 1);
  EXPECT_EQ(Send("intreturn"), kJobRunning);
  state.jobState.store(0);
}

TEST(JobCommands, CancelWhileIdleReturnsAtOnceAndLeavesTheFlagForPassfilesToClear) {
  EngineState& state = State();
  state.jobState.store(108);
  EXPECT_EQ(Send("cancel"), 0);
  EXPECT_EQ(state.cancelRequested.load(), 1);
  EXPECT_EQ(Send("intreturn"), 108);
}

TEST(JobCommands, CancelWaitsUntilTheJobHasStoredItsResult) {
  EngineState& state = State();
  state.jobState.store(kJobRunning);
  // A stand-in job that ends when it sees the cancel flag.
  std::thread job([&state] {
    while (state.cancelRequested.load() == 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    state.jobState.store(112);
  });
  EXPECT_EQ(Send("cancel"), 0);
  EXPECT_EQ(Send("intreturn"), 112);
  job.join();
}

}  // namespace
}  // namespace tolvo::engine
