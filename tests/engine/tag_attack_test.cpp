// Tag operations under attack. Tests run as root (as a system service would) with an ordinary
// user (a forked child with setresuid) as the attacker: a file of another user in a folder the
// attacker may write, symbolic links swapped in a tight loop for the MP3 file and for the
// rewrite's own sibling copies, hard links, locked files and special files. Each time no file
// outside the operation's own changes is touched, and the result is the documented one.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/engine_state.h"
#include "core/file_rewrite.h"
#include "id3/id3v1.h"
#include "id3/id3v2_fields.h"
#include "id3/id3v2_reader.h"
#include "id3/id3v2_remover.h"
#include "id3/id3v2_writer.h"
#include "id3_builders.h"
#include "test_support.h"

namespace tolvo::engine {
namespace {

using test::Bytes;
using test::Concat;

constexpr uid_t kAttacker = 65534;
constexpr uid_t kOtherUser = 4242;

struct TagOperation {
  const char* name;
  std::function<int32_t(const char*)> run;
  int32_t cannotOpen;  // the operation's result for something that is no regular file
  int32_t readOnly;
};

const std::vector<TagOperation>& Operations() {
  static const std::vector<TagOperation> operations = {
      {"ID3v2 write", [](const char* p) { return WriteId3v2(p); }, kId3v2WriteCannotReadMp3,
       kId3v2WriteReadOnly},
      {"ID3v2 removal", [](const char* p) { return RemoveId3v2(p); }, kId3v2RemoveCannotReadMp3,
       kId3v2RemoveReadOnly},
      {"ID3v1 write", [](const char* p) { return WriteId3v1(p, Id3v1Fields()); }, kId3v1CannotOpen,
       kId3v1WriteReadOnly},
      {"ID3v1 removal", [](const char* p) { return RemoveId3v1(p, Id3v1Fields()); },
       kId3v1CannotCut, kId3v1RemoveReadOnly},
  };
  return operations;
}

// Runs fn as the given user in a forked child; its exit status is the result.
int RunAs(uid_t uid, const std::function<int()>& fn) {
  pid_t child = fork();
  if (child == 0) {
    if (setresgid(uid, uid, uid) != 0 || setresuid(uid, uid, uid) != 0) _exit(250);
    _exit(fn());
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  return st;
}

class TagAttackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
    ASSERT_EQ(mkdir(tempFolder_.c_str(), 01777), 0);
    ASSERT_EQ(chmod(tempFolder_.c_str(), 01777), 0);
    CopyPathField(State().tempFolder, tempFolder_.c_str());
    ReleaseId3v2Fields();
    SetId3v2FieldText(Id3v2Field::kTitle, "New title");
    std::strcpy(Id3v1Fields().title, "New title");
  }
  void TearDown() override { ReleaseId3v2Fields(); }

  // A file every operation changes: an ID3v2 tag, audio, an ID3v1 record.
  static Bytes Tagged(uint8_t seed) {
    const Bytes audio = test::AudioBytes(5000 + 417 * size_t{seed});
    return Concat(
        {test::Id3v2Tag(test::Frame("TIT2", test::TextData("Old"))), audio, test::Id3v1Record({})});
  }
  // A folder an ordinary user may write into.
  std::string SharedFolder(const std::string& name) {
    const std::string folder = dir_ / name;
    EXPECT_EQ(mkdir(folder.c_str(), 0777), 0);
    EXPECT_EQ(chmod(folder.c_str(), 0777), 0);
    return folder;
  }

  test::TempDir dir_;
  std::string tempFolder_ = dir_ / "tmp";
};

TEST_F(TagAttackTest, AWritableFolderGivesNoRightToAnotherUsersFile) {
  const std::string folder = SharedFolder("shared");
  const std::string mp3 = folder + "/song.mp3";
  const Bytes original = Tagged(1);
  for (const TagOperation& op : Operations()) {
    SCOPED_TRACE(op.name);
    // 0644 and another user's: the attacker may rename in the folder, but not write the file.
    test::WriteFile(mp3, original);
    ASSERT_EQ(chown(mp3.c_str(), kOtherUser, kOtherUser), 0);
    ASSERT_EQ(chmod(mp3.c_str(), 0644), 0);
    EXPECT_EQ(RunAs(kAttacker, [&] { return op.run(mp3.c_str()); }), kTagFileNotPermitted);
    EXPECT_EQ(test::ReadFile(mp3), original);
    EXPECT_EQ(StatOf(mp3).st_uid, kOtherUser);

    // 0666: the attacker may write it, and the file stays its owner's (written in place).
    ASSERT_EQ(chmod(mp3.c_str(), 0666), 0);
    const ino_t inode = StatOf(mp3).st_ino;
    EXPECT_EQ(RunAs(kAttacker, [&] { return op.run(mp3.c_str()); }), 0);
    EXPECT_NE(test::ReadFile(mp3), original);
    EXPECT_EQ(StatOf(mp3).st_uid, kOtherUser);
    EXPECT_EQ(StatOf(mp3).st_ino, inode);
    EXPECT_EQ(StatOf(mp3).st_mode & 07777, 0666u);
  }
  EXPECT_EQ(test::ListFolder(folder), std::vector<std::string>{"song.mp3"});
  EXPECT_TRUE(test::ListFolder(tempFolder_).empty());
}

TEST_F(TagAttackTest, HardLinkedFilesStayOneFile) {
  const std::string mp3 = dir_ / "song.mp3";
  const std::string other = dir_ / "other-name.mp3";
  for (const TagOperation& op : Operations()) {
    SCOPED_TRACE(op.name);
    unlink(other.c_str());
    test::WriteFile(mp3, Tagged(2));
    ASSERT_EQ(link(mp3.c_str(), other.c_str()), 0);
    EXPECT_EQ(op.run(mp3.c_str()), 0);
    EXPECT_NE(test::ReadFile(mp3), Tagged(2));
    EXPECT_EQ(test::ReadFile(other), test::ReadFile(mp3));
    EXPECT_EQ(StatOf(mp3).st_nlink, 2u);
  }
}

TEST_F(TagAttackTest, SwappedLinksNeverLeadRootsRewriteToAnotherFile) {
  // A root-only file the attacker would like changed, given away or cut.
  const std::string secret = dir_ / "secret";
  ASSERT_EQ(mkdir(secret.c_str(), 0700), 0);
  const std::string victim = secret + "/victim.mp3";
  const Bytes victimBytes = Tagged(3);
  test::WriteFile(victim, victimBytes);
  ASSERT_EQ(chmod(victim.c_str(), 0600), 0);

  const std::string folder = SharedFolder("attacked");
  const std::string mp3 = folder + "/song.mp3";
  const std::string other = test::OtherFileSystemThan(dir_.path());
  ASSERT_FALSE(other.empty()) << "no second file system for the sibling copies";
  test::TempDir elsewhere(other);
  ASSERT_EQ(chmod(elsewhere.path().c_str(), 01777), 0);

  // Same file system (rename) and another (sibling copy in the attacked folder).
  for (const std::string& temp : {tempFolder_, elsewhere.path()}) {
    SCOPED_TRACE(temp);
    CopyPathField(State().tempFolder, temp.c_str());
    unlink(mp3.c_str());  // the last round may have left the attacker's link there
    test::WriteFile(mp3, Tagged(4));
    ASSERT_EQ(chown(mp3.c_str(), kAttacker, kAttacker), 0);

    pid_t attacker = fork();
    ASSERT_GE(attacker, 0);
    if (attacker == 0) {
      if (setresgid(kAttacker, kAttacker, kAttacker) != 0 ||
          setresuid(kAttacker, kAttacker, kAttacker) != 0)
        _exit(1);
      prctl(PR_SET_PDEATHSIG, SIGKILL);  // after the change of user, which clears it
      const Bytes own = Tagged(5);
      const std::string link = folder + "/link", fresh = folder + "/fresh";
      for (;;) {
        // The MP3's name becomes a link to the victim, then a file of the attacker's again.
        unlink(link.c_str());
        if (symlink(victim.c_str(), link.c_str()) == 0) rename(link.c_str(), mp3.c_str());
        test::WriteFile(fresh, own);
        rename(fresh.c_str(), mp3.c_str());
        // Any sibling copy of the rewrite is replaced by a link to the victim.
        if (DIR* d = opendir(folder.c_str())) {
          while (dirent* e = readdir(d)) {
            if (std::strncmp(e->d_name, "tolvo-", 6) != 0) continue;
            const std::string sibling = folder + "/" + e->d_name;
            unlink(sibling.c_str());
            symlink(victim.c_str(), sibling.c_str());
          }
          closedir(d);
        }
      }
    }
    int rounds = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    while (std::chrono::steady_clock::now() < end) {
      for (const TagOperation& op : Operations()) op.run(mp3.c_str());
      ++rounds;
    }
    kill(attacker, SIGKILL);
    waitpid(attacker, nullptr, 0);
    EXPECT_GT(rounds, 10);

    const struct stat st = StatOf(victim);
    EXPECT_EQ(test::ReadFile(victim), victimBytes);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_nlink, 1u);
    EXPECT_EQ(test::ListFolder(secret), std::vector<std::string>{"victim.mp3"});
  }
}

TEST_F(TagAttackTest, AFileAnEncodeHoldsIsRefusedAtOnce) {
  const std::string mp3 = dir_ / "song.mp3";
  const Bytes original = Tagged(6);
  test::WriteFile(mp3, original);
  const int held = open(mp3.c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  for (const TagOperation& op : Operations()) {
    EXPECT_EQ(op.run(mp3.c_str()), kTagFileLocked) << op.name;
  }
  close(held);
  EXPECT_EQ(test::ReadFile(mp3), original);
  EXPECT_EQ(WriteId3v2(mp3.c_str()), 0);  // released with the descriptor
}

TEST_F(TagAttackTest, PipesAndDevicesGetTheCannotOpenResultAtOnce) {
  const std::string fifo = dir_ / "fifo.mp3";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  alarm(20);  // a blocking open would hang here: end the run loudly instead
  for (const std::string& path : {fifo, std::string("/dev/null"), dir_.path()}) {
    SCOPED_TRACE(path);
    for (const TagOperation& op : Operations()) {
      EXPECT_EQ(op.run(path.c_str()), op.cannotOpen) << op.name;
    }
    EXPECT_EQ(ReadId3v1(path.c_str(), Id3v1Fields()), kId3v1CannotOpen);
    EXPECT_EQ(ReadId3v2(path.c_str()), kId3v2NoUsableTag);
  }
  alarm(0);
  EXPECT_TRUE(test::ListFolder(tempFolder_).empty());
}

}  // namespace
}  // namespace tolvo::engine
