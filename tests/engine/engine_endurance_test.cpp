// One engine used hard: tag commands from two threads at once (the engine has one field set, so
// they must take turns), and hundreds of encodes and tag rounds in one process, after which the
// process holds no more descriptors or threads than before.
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/engine_state.h"
#include "engine_client.h"
#include "id3_builders.h"
#include "test_support.h"
#include "tolvo/platform/dynamic_library.h"
#include "tolvo/system_files.h"

namespace tolvo::engine {
namespace {

using namespace test_client;
using namespace std::chrono_literals;

size_t EntriesIn(const char* folder) {
  size_t count = 0;
  if (DIR* dir = opendir(folder)) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

// One round of every kind of tag command on a file; the number of commands that failed.
int TagRound(const std::string& mp3, const std::string& title) {
  int failures = 0;
  Send("v2cleanup");
  Send("wv2Title", Text(title));
  Send("wv2Artist", Text("Artist of " + title));
  failures += Send("setid3v2", Text(mp3)) != 0;
  Send("v2cleanup");
  failures += Send("getid3v2", Text(mp3)) != 0;
  // Size and text are two commands: another thread's value may come between them, so the buffer
  // has room for any title of this test.
  failures += Send("v2Titlesize") > 1000;
  std::vector<char> buffer(4096);
  Send("v2Title", reinterpret_cast<intptr_t>(buffer.data()));
  Send("v2cleanup");
  Send("wv1Title", Text(title));
  failures += Send("setid3v1", Text(mp3)) != 0;
  failures += Send("getid3v1", Text(mp3)) != 0;
  failures += Send("removeid3v1", Text(mp3)) != 0;
  failures += Send("remove_id3v2_tag", Text(mp3)) != 0;
  return failures;
}

class EngineEnduranceTest : public RealEncoderTest {
 protected:
  void SetUp() override {
    Send("definetempfolder", Text(dir_.path()));
    Send("bitrate", 128);
    Send("stereomode", 1);
    Send("quality", 0);
  }
  std::string Mp3(const std::string& name) {
    const std::string path = dir_ / name;
    test::WriteFile(path, test::Concat({test::Id3v2Tag(test::Frame("TIT2", test::TextData("x"))),
                                        test::AudioBytes(4000)}));
    return path;
  }
  test::TempDir dir_;
};

TEST_F(EngineEnduranceTest, TwoThreadsTaggingAtOnceTakeTurns) {
  const std::string first = Mp3("first.mp3"), second = Mp3("second.mp3");
  int failures[2] = {0, 0};
  auto work = [&](int index, const std::string& mp3) {
    const auto end = std::chrono::steady_clock::now() + 1500ms;
    for (int round = 0; std::chrono::steady_clock::now() < end; ++round) {
      failures[index] += TagRound(mp3, "Thread " + std::to_string(index) + " " +
                                           std::to_string(round) + std::string(200, 'x'));
    }
  };
  std::thread a(work, 0, first), b(work, 1, second);
  a.join();
  b.join();
  EXPECT_EQ(failures[0], 0);
  EXPECT_EQ(failures[1], 0);
  // Each file ends as it began: the tag commands of one thread never landed in the other's file.
  for (const std::string& mp3 : {first, second}) EXPECT_EQ(test::SizeOf(mp3), 4000);
  EXPECT_EQ(test::ListFolder(dir_.path()).size(), 2u);
}

TEST_F(EngineEnduranceTest, HundredsOfEncodesAndTagRoundsLeaveDescriptorsAndThreadsFlat) {
  const std::string wav = dir_ / "in.wav", out = dir_ / "out.mp3", mp3 = Mp3("song.mp3");
  test::WriteWav(wav, {.frames = 2304});
  // One of each first, so that whatever is made once per process exists before counting.
  ASSERT_EQ(EncodeThroughInterface(wav, out), 0);
  ASSERT_EQ(TagRound(mp3, "warm"), 0);
  const size_t descriptors = EntriesIn("/proc/self/fd");
  const size_t threads = EntriesIn("/proc/self/task");
  int failures = 0;
  for (int i = 0; i < 500; ++i) {
    ASSERT_EQ(Send("passfiles", Text(wav), Text(out)), 0);
    int32_t result = kJobRunning;
    while ((result = Send("intreturn")) == kJobRunning) std::this_thread::sleep_for(1ms);
    failures += result != 0;
    failures += TagRound(mp3, "Round " + std::to_string(i));
  }
  EXPECT_EQ(failures, 0);
  // A finished job's thread may still be on its way out: give it a moment.
  for (int i = 0; i < 100 && EntriesIn("/proc/self/task") > threads; ++i)
    std::this_thread::sleep_for(10ms);
  EXPECT_EQ(EntriesIn("/proc/self/fd"), descriptors);
  EXPECT_EQ(EntriesIn("/proc/self/task"), threads);
  EXPECT_EQ(test::ListFolder(dir_.path()).size(), 3u);  // in.wav, out.mp3, song.mp3
}

}  // namespace
}  // namespace tolvo::engine
