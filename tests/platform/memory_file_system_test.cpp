// The file system in memory answers as the real one does: the same calls on both, in a folder of
// each, give the same values and the same kinds of error. Tests and fuzz targets take its answers
// for the disk's.
#include "tolvo/platform/memory_file_system.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace tolvo::platform {
namespace {

std::string ReadAll(FileSystem& fs, int fd) {
  std::string text(64, '\0');
  const IoResult<size_t> got = fs.Read(fd, text.data(), text.size());
  text.resize(got ? *got : 0);
  return text;
}

int OpenOk(FileSystem& fs, const std::string& path, OpenMode mode) {
  const IoResult<int> fd = fs.Open(path.c_str(), mode);
  EXPECT_TRUE(fd) << path;
  return fd ? *fd : -1;
}

// The calls the engine makes, with the answers every FileSystem must give, in `root`.
void ExpectTheFileSystemContract(FileSystem& fs, const std::string& root) {
  const std::string a = root + "/a", b = root + "/b", sub = root + "/sub";
  EXPECT_TRUE(fs.Open(a.c_str(), OpenMode::kRead).Failed(IoErrorKind::kMissing));
  EXPECT_TRUE(fs.Open(a.c_str(), OpenMode::kReadWrite).Failed(IoErrorKind::kMissing));
  EXPECT_TRUE(fs.Open((root + "/none/x").c_str(), OpenMode::kCreate).Failed(IoErrorKind::kMissing));
  EXPECT_TRUE(fs.Stat(a.c_str()).Failed(IoErrorKind::kMissing));
  EXPECT_TRUE(fs.Remove(a.c_str()).Failed(IoErrorKind::kMissing));

  // Writing, appending, seeking, truncating, sizes.
  int fd = OpenOk(fs, a, OpenMode::kCreateTruncate);
  EXPECT_EQ(*fs.Write(fd, "hello", 5), 5u);
  EXPECT_TRUE(fs.Close(fd));
  fd = OpenOk(fs, a, OpenMode::kAppend);
  EXPECT_EQ(*fs.Write(fd, " world", 6), 6u);
  EXPECT_TRUE(fs.Close(fd));
  fd = OpenOk(fs, a, OpenMode::kReadWrite);
  EXPECT_EQ(*fs.Seek(fd, -5, SEEK_END), 6);
  EXPECT_EQ(ReadAll(fs, fd), "world");
  EXPECT_TRUE(fs.Truncate(fd, 4));
  EXPECT_EQ(fs.StatFd(fd)->size, 4);
  EXPECT_EQ(fs.StatFd(fd)->kind, FileKind::kFile);
  EXPECT_TRUE(fs.Seek(fd, -1, SEEK_SET).Failed(IoErrorKind::kOther));
  EXPECT_TRUE(fs.Close(fd));
  EXPECT_FALSE(fs.Close(fd));  // closed once only

  // A rename replaces the target; a descriptor keeps the file it opened, not its name.
  fd = OpenOk(fs, b, OpenMode::kCreateTruncate);
  EXPECT_EQ(*fs.Write(fd, "old", 3), 3u);
  EXPECT_TRUE(fs.Close(fd));
  const int oldB = OpenOk(fs, b, OpenMode::kRead);
  const IoResult<FileInfo> renamed = fs.Stat(a.c_str());
  EXPECT_TRUE(fs.Rename(a.c_str(), b.c_str()));
  EXPECT_TRUE(fs.Stat(a.c_str()).Failed(IoErrorKind::kMissing));
  EXPECT_TRUE(SameFile(fs.Stat(b.c_str()), renamed));
  EXPECT_FALSE(SameFile(fs.StatFd(oldB), renamed));
  EXPECT_EQ(ReadAll(fs, oldB), "old");
  EXPECT_TRUE(fs.Close(oldB));

  // Folders.
  EXPECT_TRUE(fs.MakeFolder(sub.c_str()));
  EXPECT_TRUE(IsFolder(fs.Stat(sub.c_str())));
  EXPECT_TRUE(fs.MakeFolder(sub.c_str()).Failed(IoErrorKind::kOther));  // it exists
  EXPECT_TRUE(fs.Remove(sub.c_str()).Failed(IoErrorKind::kOther));      // not a file
  const IoResult<std::string> temp = fs.MakeTempFile(sub, "tolvo");
  ASSERT_TRUE(temp);
  EXPECT_EQ(temp->rfind(sub + "/tolvo", 0), 0u);
  EXPECT_EQ(fs.Stat(temp->c_str())->size, 0);
  EXPECT_TRUE(fs.RemoveFolder(sub.c_str()).Failed(IoErrorKind::kOther));  // not empty
  EXPECT_TRUE(fs.Remove(temp->c_str()));
  EXPECT_TRUE(fs.RemoveFolder(sub.c_str()));
  EXPECT_TRUE(fs.MakeTempFile(sub, "tolvo").Failed(IoErrorKind::kMissing));

  const IoResult<std::string> folder = fs.MakePrivateFolder(root, "tolvo-");
  ASSERT_TRUE(folder);
  EXPECT_EQ(fs.Stat(folder->c_str())->mode, 0700u);
  const IoResult<FileSystem::CreatedFile> created = fs.CreateTempFile(*folder, "tolvo-");
  ASSERT_TRUE(created);
  EXPECT_EQ(*fs.Write(created->fd, "x", 1), 1u);
  EXPECT_TRUE(fs.SetModeFd(created->fd, 0640));
  EXPECT_EQ(fs.Stat(created->path.c_str())->mode, 0640u);

  // One advisory lock per file, held until its descriptor closes.
  const int other = OpenOk(fs, created->path, OpenMode::kRead);
  EXPECT_TRUE(fs.LockFd(created->fd));
  EXPECT_TRUE(fs.LockFd(other).Failed(IoErrorKind::kBusy));
  EXPECT_TRUE(fs.Close(created->fd));
  EXPECT_TRUE(fs.LockFd(other));
  EXPECT_TRUE(fs.Close(other));
  EXPECT_TRUE(fs.Remove(created->path.c_str()));
  EXPECT_TRUE(fs.RemoveFolder(folder->c_str()));
}

TEST(MemoryFileSystem, AnswersAsTheRealFileSystemDoes) {
  test::TempDir dir;
  {
    SCOPED_TRACE("real");
    ExpectTheFileSystemContract(RealFileSystem(), dir.path());
  }
  MemoryFileSystem memory;
  memory.AddFolder("/work");
  {
    SCOPED_TRACE("memory");
    ExpectTheFileSystemContract(memory, "/work");
  }
  EXPECT_EQ(memory.OpenCount(), 0u);
  EXPECT_EQ(memory.EntryCount(), 3u);  // the root, the folder and the file b
}

TEST(MemoryFileSystem, WindowsPathsFoldLettersAndTrailingSeparators) {
  MemoryFileSystem fs(PathForm::kWindows);
  fs.AddFile("C:\\Music\\Song.MP3", "abc");
  EXPECT_TRUE(fs.HasFolder("c:\\music\\"));
  EXPECT_EQ(fs.Content("c:\\MUSIC\\song.mp3"), "abc");
  EXPECT_TRUE(IsFolder(fs.Stat("C:")));
  EXPECT_TRUE(fs.MakeFolder("\\\\srv\\share").Failed(IoErrorKind::kMissing));  // no server
  fs.AddFolder("\\\\srv\\share");
  EXPECT_TRUE(fs.MakeFolder("\\\\srv\\share\\new"));
  EXPECT_TRUE(fs.SetMode("C:\\Music", 0555));  // a folder that takes no new entries
  EXPECT_TRUE(fs.MakeTempFile("C:\\Music", "t").Failed(IoErrorKind::kPermission));
}

}  // namespace
}  // namespace tolvo::platform
