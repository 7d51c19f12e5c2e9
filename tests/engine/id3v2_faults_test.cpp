// Nothing is ever lost: ID3v2 writes and removals under every injected file-layer failure, under
// a real full disk (RLIMIT_FSIZE) and when killed at random moments. After each, the MP3 file is
// byte-identical to the old file or to the complete new one, and no temporary file is left.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/engine_state.h"
#include "faulty_file_system.h"
#include "id3/id3v2_fields.h"
#include "id3/id3v2_remover.h"
#include "id3/id3v2_writer.h"
#include "id3_builders.h"
#include "test_support.h"

namespace tolvo::engine {
namespace {

using test::Bytes;
using test::Concat;
using test::Frame;
using test::TextData;

// The whole file in one read; the loops below read large files hundreds of times.
Bytes Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  Bytes bytes(in ? static_cast<size_t>(in.tellg()) : 0);
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

using Operation = std::function<int32_t(const char* path, platform::FileSystem& fs)>;

int32_t Write(const char* path, platform::FileSystem& fs) { return WriteId3v2(path, fs); }
int32_t Remove(const char* path, platform::FileSystem& fs) { return RemoveId3v2(path, fs); }

struct Runs {
  int faulty = 0;                // runs in which the fault happened
  int failed = 0;                // runs that returned a failure code
  std::set<std::string> passed;  // the calls whose failure the operation got over
};

class Id3v2FaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseId3v2Fields();
    SetId3v2FieldText(Id3v2Field::kTitle, "A new title that is longer than the old one");
    SetId3v2FieldText(Id3v2Field::kArtist, "Artist");
    ASSERT_EQ(mkdir(tempFolder_.c_str(), 0755), 0);
    UseTempFolder(tempFolder_);
  }
  void TearDown() override { ReleaseId3v2Fields(); }

  void UseTempFolder(const std::string& folder) {
    tempFolder_ = folder;
    CopyPathField(State().tempFolder, folder.c_str());
  }
  // The old file: a tag with a handled and a foreign frame, audio, an ID3v1 record. The large
  // 2.4 tag has a 200 KB picture before the title (more than the copy buffer holds), an
  // unsynchronised frame and a footer.
  Bytes OldFile(size_t audioBytes) const {
    const Bytes tag =
        large24_
            ? test::Id3v2TagOf(
                  4, 0x10,
                  Concat({test::Frame24("APIC", Bytes(200 * 1024, 0x5A)),
                          test::Frame24("TIT2", TextData("Old")),
                          test::Frame24("PRIV", test::Unsynchronised(Bytes{'o', 0, 0xFF, 0xE0}),
                                        0x0002)}))
            : test::Id3v2Tag(
                  Concat({Frame("TIT2", TextData("Old")), Frame("TXXX", TextData("keep me"))}), 64);
    return Concat({tag, test::AudioBytes(audioBytes), test::Id3v1Record({})});
  }
  // What the operation makes of the old file when nothing goes wrong.
  Bytes ExpectedResult(const Operation& op, const Bytes& old) {
    test::WriteFile(mp3_, old);
    EXPECT_EQ(op(mp3_.c_str(), platform::RealFileSystem()), 0);
    Bytes result = Slurp(mp3_);
    EXPECT_NE(result, old);
    return result;
  }
  // Only the MP3 is left in its folder and nothing in the temporary folder.
  void ExpectNoLeftovers(const std::string& context) {
    EXPECT_EQ(test::ListFolder(mp3Folder_), std::vector<std::string>{"song.mp3"}) << context;
    EXPECT_TRUE(test::ListFolder(tempFolder_).empty()) << context;
  }
  // Runs the operation once per failure point until a run meets no fault. plan(fs, n) arms the
  // nth fault.
  Runs RunEveryFailurePoint(const Operation& op, size_t audioBytes,
                            const std::function<void(test::FaultyFileSystem&, int)>& plan) {
    const Bytes old = OldFile(audioBytes);
    const Bytes expected = ExpectedResult(op, old);
    Runs runs;
    for (int n = 1; n < 10000; ++n) {
      test::WriteFile(mp3_, old);
      chmod(mp3_.c_str(), 0640);
      test::FaultyFileSystem fs;
      plan(fs, n);
      const int32_t result = op(mp3_.c_str(), fs);
      const std::string context =
          "fault at " + std::to_string(n) + ", result " + std::to_string(result);
      if (fs.triggered()) ++runs.faulty;
      if (fs.triggered() && result == 0) runs.passed.insert(fs.failedCall());
      if (result != 0) {
        ++runs.failed;
        EXPECT_EQ(Slurp(mp3_), old) << context;
      } else {
        EXPECT_EQ(Slurp(mp3_), expected) << context;
      }
      struct stat st {};
      EXPECT_EQ(stat(mp3_.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0640u) << context;
      ExpectNoLeftovers(context);
      if (!fs.triggered()) {
        EXPECT_EQ(result, 0) << context;
        break;
      }
    }
    return runs;
  }

  void ExpectRealFullDiskLeavesTheFile();
  void ExpectKillsLeaveACompleteFile();

  bool large24_ = false;
  test::TempDir dir_;
  std::string mp3Folder_ = dir_ / "music";
  std::string mp3_ = mp3Folder_ + "/song.mp3";
  std::string tempFolder_ = dir_ / "tmp";

 public:
  Id3v2FaultsTest() { mkdir(mp3Folder_.c_str(), 0755); }
};

const std::function<void(test::FaultyFileSystem&, int)> kFailNthCall =
    [](test::FaultyFileSystem& fs, int n) { fs.FailCall(n); };
const std::function<void(test::FaultyFileSystem&, int)> kDiskFullAtNthWrite =
    [](test::FaultyFileSystem& fs, int n) { fs.FillDiskAtWrite(n); };

// The calls whose failure the operation may get over: each such run still checks that the file
// is exactly the expected one, keeps its mode and that nothing is left behind. A failure of any
// other call must end the operation with the file as it was.
const std::set<std::string> kHarmlessFailures = {
    "Close",        "LinkStat",    "Read", "Remove", "RemoveDeadLeftovers",
    "RemoveFolder", "ResolvePath", "Seek", "StatFd", "SyncFolder"};

// Every call may fail, and a failure ends the operation, but for the calls named here, whose
// failure the operation gets over with the file whole and right.
void ExpectFailedUnlessHarmless(const Runs& runs, int atLeast,
                                const std::set<std::string>& harmless) {
  EXPECT_GE(runs.faulty, atLeast);
  for (const std::string& call : runs.passed) {
    EXPECT_TRUE(harmless.contains(call)) << "a failed " << call << " went unnoticed";
  }
}
// A full disk must end the operation, at every write.
void ExpectAllFailed(const Runs& runs, int atLeast) {
  EXPECT_GE(runs.faulty, atLeast);
  EXPECT_EQ(runs.failed, runs.faulty);
}

TEST_F(Id3v2FaultsTest, EveryFailedCallLeavesTheFileAsItWas) {
  // Audio over several copy buffers, so failures fall inside the copy as well.
  ExpectFailedUnlessHarmless(RunEveryFailurePoint(Write, 300000, kFailNthCall), 40,
                             kHarmlessFailures);
  ExpectFailedUnlessHarmless(RunEveryFailurePoint(Remove, 300000, kFailNthCall), 15,
                             kHarmlessFailures);
}

TEST_F(Id3v2FaultsTest, DiskFullAtEveryWriteLeavesTheFileAsItWas) {
  ExpectAllFailed(RunEveryFailurePoint(Write, 300000, kDiskFullAtNthWrite), 6);
  ExpectAllFailed(RunEveryFailurePoint(Remove, 300000, kDiskFullAtNthWrite), 2);
}

TEST_F(Id3v2FaultsTest, LargeFramesAnd24TagsUnderEveryFailureAndAFullDisk) {
  large24_ = true;
  ExpectFailedUnlessHarmless(RunEveryFailurePoint(Write, 300000, kFailNthCall), 40,
                             kHarmlessFailures);
  ExpectFailedUnlessHarmless(RunEveryFailurePoint(Remove, 300000, kFailNthCall), 15,
                             kHarmlessFailures);
  ExpectAllFailed(RunEveryFailurePoint(Write, 300000, kDiskFullAtNthWrite), 6);
  ExpectAllFailed(RunEveryFailurePoint(Remove, 300000, kDiskFullAtNthWrite), 2);
}

TEST_F(Id3v2FaultsTest, FailuresAcrossFileSystemsLeaveTheFileAsItWas) {
  const std::string other = test::OtherFileSystemThan(dir_.path());
  if (other.empty()) GTEST_SKIP() << "no second file system (/dev/shm) for the temporary folder";
  test::TempDir elsewhere(other);
  UseTempFolder(elsewhere.path());
  ExpectFailedUnlessHarmless(RunEveryFailurePoint(Write, 300000, kFailNthCall), 50,
                             kHarmlessFailures);
  ExpectAllFailed(RunEveryFailurePoint(Remove, 300000, kDiskFullAtNthWrite), 2);
}

// Runs the operation in a child whose files may not grow past limit bytes; its exit status is
// the operation's result.
int RunWithFileSizeLimit(const Operation& op, const std::string& path, rlim_t limit) {
  pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG instead
    struct rlimit rl = {limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0) _exit(100);
    _exit(op(path.c_str(), platform::RealFileSystem()));
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(Id3v2FaultsTest, RealFullDiskLeavesTheFileAsItWas) {
  for (bool large24 : {false, true}) {
    large24_ = large24;
    ExpectRealFullDiskLeavesTheFile();
  }
}

void Id3v2FaultsTest::ExpectRealFullDiskLeavesTheFile() {
  const Bytes old = OldFile(30000);
  for (const Operation& op : {Operation(Write), Operation(Remove)}) {
    const Bytes expected = ExpectedResult(op, old);
    int failures = 0;
    for (rlim_t limit : {rlim_t{0}, rlim_t{5}, rlim_t{100}, rlim_t{4096}, rlim_t{20000},
                         rlim_t{expected.size() - 1}, rlim_t{expected.size()}}) {
      test::WriteFile(mp3_, old);
      const int result = RunWithFileSizeLimit(op, mp3_, limit);
      const std::string context =
          "limit " + std::to_string(limit) + (large24_ ? ", large 2.4 tag" : "");
      ASSERT_GE(result, 0) << context;
      if (limit < expected.size()) {
        EXPECT_NE(result, 0) << context;
        EXPECT_EQ(Slurp(mp3_), old) << context;
        ++failures;
      } else {
        EXPECT_EQ(result, 0) << context;
        EXPECT_EQ(Slurp(mp3_), expected) << context;
      }
      ExpectNoLeftovers(context);
    }
    EXPECT_EQ(failures, 6);
  }
}

TEST_F(Id3v2FaultsTest, KilledAtRandomMomentsTheFileIsAlwaysComplete) {
  for (bool large24 : {false, true}) {
    large24_ = large24;
    ExpectKillsLeaveACompleteFile();
  }
}

void Id3v2FaultsTest::ExpectKillsLeaveACompleteFile() {
  // The child alternates writes and removals without pause, so it is nearly always in the middle
  // of one when it is killed. The file runs through four states: old, written (the new tag in the
  // old tag's frame order), removed, and written again (frames in the fixed order).
  const Bytes old = OldFile(2000000);
  const Bytes written = ExpectedResult(Write, old);
  const Bytes removed = ExpectedResult(Remove, written);
  const Bytes rewritten = ExpectedResult(Write, removed);
  const std::vector<const Bytes*> states = {&old, &written, &removed, &rewritten};

  // How long one operation takes here, so the kills spread over several of them.
  test::WriteFile(mp3_, old);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(WriteId3v2(mp3_.c_str()), 0);
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int64_t> delay(0, took.count() * 2 + 200);

  std::vector<int> seen(states.size(), 0);
  for (int round = 0; round < 60; ++round) {
    test::WriteFile(mp3_, old);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) {
        WriteId3v2(mp3_.c_str());
        RemoveId3v2(mp3_.c_str());
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const Bytes now = Slurp(mp3_);
    size_t state = 0;
    while (state < states.size() && now != *states[state]) ++state;
    ASSERT_LT(state, states.size())
        << "round " << round << ": a file of " << now.size() << " bytes";
    ++seen[state];
  }
  // A killed process cannot clean up after itself; the next operation that works there removes
  // what dead processes of this user left.
  ASSERT_EQ(WriteId3v2(mp3_.c_str()), 0);
  EXPECT_TRUE(test::ListFolder(tempFolder_).empty());
  EXPECT_EQ(test::ListFolder(mp3Folder_), std::vector<std::string>{"song.mp3"});
  for (size_t state = 0; state < states.size(); ++state)
    RecordProperty("killed_in_state_" + std::to_string(state), seen[state]);
}

// The file-system calls of an operation on the old file, in order: the nth is named by making it
// fail.
std::vector<std::string> CallsOf(const Operation& op, const std::string& mp3, const Bytes& old) {
  std::vector<std::string> calls;
  for (int n = 1;; ++n) {
    test::WriteFile(mp3, old);
    test::FaultyFileSystem fs;
    fs.FailCall(n);
    const int32_t result = op(mp3.c_str(), fs);
    if (!fs.triggered()) {
      EXPECT_EQ(result, 0) << "the run without a fault";
      return calls;
    }
    calls.push_back(fs.failedCall());
  }
}

TEST_F(Id3v2FaultsTest, ARewriteOpensTheMp3OnceAndBuildsTheNewFileThroughOneDescriptor) {
  for (bool large : {false, true}) {
    large24_ = large;
    const Bytes old = OldFile(3000);
    for (const auto& [name, op] : {std::pair{"write", Operation(Write)}, {"remove", Remove}}) {
      const std::vector<std::string> calls = CallsOf(op, mp3_, old);
      const auto count = [&](const char* call) { return std::ranges::count(calls, call); };
      // The MP3 file is opened once; the new file is made once, and every frame goes into it
      // through that descriptor, never by reopening it by name.
      const std::string context = std::string(name) + (large ? ", large 2.4 tag" : "");
      EXPECT_EQ(count("Open"), 1) << context;
      EXPECT_EQ(count("CreateTempFile") + count("MakeTempFile"), 1) << context;
    }
  }
}

}  // namespace
}  // namespace tolvo::engine
