// The POSIX file layer: whole reads and writes, sizes, temporary names, the temporary folder, and
// the kinds of its errors.
#include "tolvo/platform/file_system.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>

#include "test_support.h"
#include "tolvo/platform/forwarding_file_system.h"
#include "tolvo/platform/memory_file_system.h"
#include "tolvo/platform/system_error.h"

namespace tolvo::platform {
namespace {

TEST(FileSystem, WritesReadsAndSizesAFile) {
  test::TempDir dir;
  FileSystem& fs = RealFileSystem();
  std::string path = dir / "a.bin";
  {
    File f = File::Open(fs, path.c_str(), OpenMode::kCreateTruncate);
    ASSERT_TRUE(f.IsOpen());
    EXPECT_EQ(f.WriteFull("hello world", 11), 11);
    EXPECT_TRUE(f.Close());
  }
  File f = File::Open(fs, path.c_str(), OpenMode::kRead);
  ASSERT_TRUE(f.IsOpen());
  EXPECT_EQ(f.Size(), 11);
  char buffer[32] = {};
  ASSERT_TRUE(f.SeekFromEnd(-5));
  EXPECT_EQ(f.ReadFull(buffer, sizeof buffer), 5);
  EXPECT_STREQ(buffer, "world");
}

TEST(FileSystem, OpenOfAMissingFileReportsItsKindAndNumber) {
  test::TempDir dir;
  IoError error;
  File f = File::Open(RealFileSystem(), (dir / "missing").c_str(), OpenMode::kReadWrite, &error);
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(error.kind, IoErrorKind::kMissing);
  EXPECT_EQ(error.Text(), "no such file or directory");
}

TEST(FileSystem, TempFilesAreUniqueAndEmpty) {
  test::TempDir dir;
  const IoResult<std::string> a = RealFileSystem().MakeTempFile(dir.path(), "tolvo");
  const IoResult<std::string> b = RealFileSystem().MakeTempFile(dir.path(), "tolvo");
  ASSERT_TRUE(a && b);
  EXPECT_NE(*a, *b);
  EXPECT_EQ(a->rfind(dir.path() + "/tolvo", 0), 0u);
  EXPECT_EQ(test::SizeOf(*a), 0);
  EXPECT_TRUE(
      RealFileSystem().MakeTempFile(dir / "nofolder", "tolvo").Failed(IoErrorKind::kMissing));
}

TEST(FileSystem, SystemTempFolderFollowsTmpdirWhenItIsAFolder) {
  test::TempDir dir;
  const char* old = getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", dir.path().c_str(), 1);
  EXPECT_EQ(SystemTempFolder(), dir.path() + "/");
  setenv("TMPDIR", (dir / "missing").c_str(), 1);
  EXPECT_EQ(SystemTempFolder(), "/tmp/");
  if (old)
    setenv("TMPDIR", saved.c_str(), 1);
  else
    unsetenv("TMPDIR");
}

TEST(SystemErrors, EachNumberHasTheKindCallersDecideOn) {
  const struct {
    int number;
    IoErrorKind kind;
  } kCases[] = {
      {ENOENT, IoErrorKind::kMissing},    {EACCES, IoErrorKind::kPermission},
      {EPERM, IoErrorKind::kPermission},  {EROFS, IoErrorKind::kPermission},
      {EXDEV, IoErrorKind::kCrossDevice}, {ENOSPC, IoErrorKind::kNoSpace},
      {EDQUOT, IoErrorKind::kNoSpace},    {EFBIG, IoErrorKind::kNoSpace},
      {EWOULDBLOCK, IoErrorKind::kBusy},  {ENOTDIR, IoErrorKind::kOther},
      {EISDIR, IoErrorKind::kOther},      {EIO, IoErrorKind::kOther},
      {EEXIST, IoErrorKind::kOther},      {EINVAL, IoErrorKind::kOther},
  };
  for (const auto& c : kCases) {
    const IoError error = ErrorFromNumber(c.number);
    EXPECT_EQ(error.kind, c.kind) << SystemErrorText(c.number);
    EXPECT_EQ(error.number, c.number);
    // A layer that stands in for the system gives each kind a number of that kind.
    EXPECT_EQ(ErrorFromNumber(ErrorOf(c.kind).number).kind, c.kind);
  }
  EXPECT_EQ(ErrorFromNumber(ENOSPC).Text(), "no space left on device");
  EXPECT_EQ(ErrorOf(IoErrorKind::kPermission).Text(), "permission denied");
}

// Gives at most `slice` bytes a read, and fails the read after `goodReads` of them.
class BrokenReads final : public ForwardingFileSystem {
 public:
  BrokenReads(FileSystem& inner, size_t slice, int goodReads)
      : ForwardingFileSystem(inner), slice_(slice), goodReads_(goodReads) {}
  IoResult<size_t> Read(int fd, void* buffer, size_t count) override {
    if (goodReads_-- == 0) return ErrorOf(IoErrorKind::kOther);
    return ForwardingFileSystem::Read(fd, buffer, count < slice_ ? count : slice_);
  }

 private:
  size_t slice_;
  int goodReads_;
};

TEST(FileSystem, AReadErrorAfterPartOfTheBytesIsAnError) {
  MemoryFileSystem memory;
  memory.AddFile("/f", "0123456789");
  char buffer[16] = {};
  {
    BrokenReads fs(memory, 4, 1);  // 4 bytes come, then the read fails
    File file = File::Open(fs, "/f", OpenMode::kRead);
    EXPECT_EQ(file.ReadFull(buffer, 10), -1);
  }
  {
    BrokenReads fs(memory, 4, 4);  // the end of the file (an empty read) comes first
    File file = File::Open(fs, "/f", OpenMode::kRead);
    EXPECT_EQ(file.ReadFull(buffer, sizeof buffer), 10);
    EXPECT_EQ(std::string(buffer), "0123456789");
  }
  EXPECT_EQ(memory.OpenCount(), 0u);
}

}  // namespace
}  // namespace tolvo::platform
