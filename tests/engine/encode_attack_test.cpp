// The encode job against outputs that are its input under another name, read-only outputs,
// pipes and devices, outputs held by another encode or a tag operation, and outputs removed or
// replaced while it runs. Each fails at once with the documented result and touches no file
// that is not the job's own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "core/engine_state.h"
#include "core/file_rewrite.h"
#include "engine_client.h"
#include "id3/id3v2_writer.h"
#include "lame/encode_job.h"
#include "test_support.h"
#include "tolvo/platform/dynamic_library.h"
#include "tolvo/system_files.h"

namespace tolvo::engine {
namespace {

using namespace test_client;
using namespace std::chrono_literals;

class EncodeAttackTest : public RealEncoderTest {
 protected:
  void SetUp() override {
    Send("bitrate", 128);
    Send("stereomode", 1);
    Send("quality", 0);
    test::WriteWav(wav_, {.frames = 4410});
    CopyPathField(State().tempFolder, dir_.path().c_str());
  }
  // Starts a long job and holds it paused inside its loop, its output open.
  void StartHeldJob(const std::string& output) {
    test::WriteWav(longWav_, {.frames = 20 * 44100});
    ASSERT_EQ(Send("passfiles", Text(longWav_), Text(output)), 0);
    Send("pause");  // seen before the first chunk: the job waits with its output open
    for (int i = 0; i < 200 && !test::Exists(output); ++i) std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(Send("intreturn"), kJobRunning);
  }

  test::TempDir dir_;
  std::string wav_ = dir_ / "in.wav";
  std::string longWav_ = dir_ / "long.wav";
};

TEST_F(EncodeAttackTest, AnOutputThatIsTheInputUnderAnotherNameLeavesBothUntouched) {
  ASSERT_EQ(symlink(wav_.c_str(), (dir_ / "link.wav").c_str()), 0);
  ASSERT_EQ(link(wav_.c_str(), (dir_ / "hard.wav").c_str()), 0);
  const test::Bytes input = test::ReadFile(wav_);
  for (const std::string& output :
       {dir_.path() + "/./in.wav", dir_ / "link.wav", dir_ / "hard.wav"}) {
    EXPECT_EQ(EncodeThroughInterface(wav_, output), kJobCannotCreateOutput) << output;
    EXPECT_EQ(test::ReadFile(wav_), input);
  }
  // An 8-bit input is encoded from its converted copy; its own name is still no output.
  const std::string eight = dir_ / "eight.wav";
  test::WriteWav(eight, {.channels = 1, .sampleRate = 22050, .bitsPerSample = 8, .frames = 2205});
  CopyPathField(State().programFolder, test::OutDir().c_str());
  const test::Bytes eightBytes = test::ReadFile(eight);
  EXPECT_EQ(EncodeThroughInterface(eight, dir_.path() + "/./eight.wav"), kJobCannotCreateOutput);
  EXPECT_EQ(test::ReadFile(eight), eightBytes);
}

TEST_F(EncodeAttackTest, AReadOnlyOutputHoldsForRootToo) {
  const std::string mp3 = dir_ / "kept.mp3";
  test::WriteFile(mp3, test::Bytes(100, 7));
  ASSERT_EQ(chmod(mp3.c_str(), 0444), 0);
  EXPECT_EQ(EncodeThroughInterface(wav_, mp3), kJobCannotCreateOutput);
  EXPECT_EQ(test::ReadFile(mp3), test::Bytes(100, 7));
}

TEST_F(EncodeAttackTest, PipesAndDevicesEndTheJobAtOnce) {
  const std::string fifo = dir_ / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  alarm(30);  // a blocking open would hang the job: end the run loudly instead
  EXPECT_EQ(EncodeThroughInterface(fifo, dir_ / "out.mp3"), kJobInvalidWave);
  EXPECT_EQ(EncodeThroughInterface(wav_, fifo), kJobCannotCreateOutput);
  EXPECT_EQ(EncodeThroughInterface(wav_, "/dev/null"), kJobCannotCreateOutput);
  alarm(0);
}

TEST_F(EncodeAttackTest, AHeldOutputRefusesTagsAndASecondEncodeAtOnce) {
  const std::string mp3 = dir_ / "held.mp3";
  // Held by someone else: the job does not start on it.
  test::WriteFile(mp3, test::Bytes(50, 3));
  const int holder = open(mp3.c_str(), O_RDONLY);
  ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(EncodeThroughInterface(wav_, mp3), kJobCannotCreateOutput);
  EXPECT_EQ(test::ReadFile(mp3), test::Bytes(50, 3));
  close(holder);

  // Held by a running job: a tag write here and an encode in another process are refused.
  StartHeldJob(mp3);
  EXPECT_EQ(WriteId3v2(mp3.c_str()), kTagFileLocked);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    CopyPathField(State().inputPath, wav_.c_str());
    CopyPathField(State().outputPath, mp3.c_str());
    _exit(RunEncodeJob());
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kJobCannotCreateOutput) << status;
  Send("resume");
  EXPECT_EQ(WaitForResult(), kJobSucceeded);
  EXPECT_NEAR(test::DecodedSeconds(mp3), 20.0, 0.05);  // nothing was mixed into it
}

TEST_F(EncodeAttackTest, AnOutputRemovedOrReplacedMidwayIsNeverSuccess) {
  const test::Bytes other(3000, 9);
  struct Case {
    const char* name;
    std::function<void(const std::string& output)> act;
  };
  const Case cases[] = {
      {"removed", [](const std::string& out) { unlink(out.c_str()); }},
      {"replaced",
       [&](const std::string& out) {
         test::WriteFile(out + ".new", other);
         rename((out + ".new").c_str(), out.c_str());
       }},
      {"folder removed",
       [](const std::string& out) { std::filesystem::remove_all(out.substr(0, out.rfind('/'))); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string output = dir_ / "out/song.mp3";
    StartHeldJob(output);
    c.act(output);
    Send("resume");
    EXPECT_EQ(WaitForResult(), kJobOutputWriteFailed);
    // The file now at the path is not written into (no info frame lands in it).
    if (test::Exists(output)) {
      EXPECT_EQ(test::ReadFile(output), other);
    }
    std::filesystem::remove_all(dir_ / "out");
  }
}

TEST_F(EncodeAttackTest, KilledEightBitEncodesLeaveNoConvertedCopyAfterTheNextEncode) {
  test::TempDir tmp;
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  setenv("TMPDIR", tmp.path().c_str(), 1);
  CopyPathField(State().programFolder, test::OutDir().c_str());
  const std::string eight = dir_ / "eight.wav", out = dir_ / "eight.mp3";
  test::WriteWav(eight, {.channels = 1, .sampleRate = 22050, .bitsPerSample = 8, .frames = 22050});
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> delay(0, 60);
  for (int round = 0; round < 100; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) {
        CopyPathField(State().inputPath, eight.c_str());
        CopyPathField(State().outputPath, out.c_str());
        RunEncodeJob();
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
  }
  std::this_thread::sleep_for(300ms);  // converters of killed jobs finish on their own
  EXPECT_FALSE(test::ListFolder(tmp.path()).empty()) << "no kill hit a conversion";
  EXPECT_EQ(EncodeThroughInterface(eight, out), kJobSucceeded);
  EXPECT_TRUE(test::ListFolder(tmp.path()).empty());
  if (old)
    setenv("TMPDIR", saved.c_str(), 1);
  else
    unsetenv("TMPDIR");
}

}  // namespace
}  // namespace tolvo::engine
