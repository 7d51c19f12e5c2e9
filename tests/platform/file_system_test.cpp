// The POSIX file layer: whole reads and writes, sizes, temporary names, the temporary folder.
#include "tolvo/platform/file_system.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "test_support.h"

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

TEST(FileSystem, OpenOfAMissingFileReportsErrno) {
  test::TempDir dir;
  int error = 0;
  File f = File::Open(RealFileSystem(), (dir / "missing").c_str(), OpenMode::kReadWrite, &error);
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(error, ENOENT);
}

TEST(FileSystem, TempFilesAreUniqueAndEmpty) {
  test::TempDir dir;
  std::string a, b;
  ASSERT_TRUE(RealFileSystem().MakeTempFile(dir.path(), "tolvo", &a));
  ASSERT_TRUE(RealFileSystem().MakeTempFile(dir.path(), "tolvo", &b));
  EXPECT_NE(a, b);
  EXPECT_EQ(a.rfind(dir.path() + "/tolvo", 0), 0u);
  EXPECT_EQ(test::SizeOf(a), 0);
  std::string none;
  EXPECT_FALSE(RealFileSystem().MakeTempFile(dir / "nofolder", "tolvo", &none));
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

}  // namespace
}  // namespace tolvo::platform
