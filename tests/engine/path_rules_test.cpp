// Path rules of the encode job's destination in both styles: the Windows style as text rules over
// an in-memory Windows-like file system, the POSIX style against the real file system.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/file_services.h"
#include "test_support.h"
#include "tolvo/platform/forwarding_file_system.h"
#include "tolvo/platform/memory_file_system.h"

namespace tolvo::engine {
namespace {

using platform::MemoryFileSystem;
using test::TempDir;
constexpr PathStyle kWin = PathStyle::kWindows;
constexpr PathStyle kPosix = PathStyle::kPosix;
constexpr platform::PathForm kWindowsForm = platform::PathForm::kWindows;

// A file system that notes the folders asked for before it passes the request on.
class FolderRequests final : public platform::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  platform::IoStatus MakeFolder(const char* path) override {
    requests.push_back(path);
    return ForwardingFileSystem::MakeFolder(path);
  }
  std::vector<std::string> requests;
};

struct Split {
  int result;
  std::string folder;
  std::string name;
};
Split SplitOf(const char* path, PathStyle style) {
  Split split{-1, "stale", "stale"};
  split.result = SplitOutputPath(path, &split.folder, &split.name, style);
  return split;
}

TEST(SplitOutputPath, WindowsStyleSplitsAtTheLastBackslash) {
  Split s = SplitOf("C:\\music\\a.mp3", kWin);
  EXPECT_EQ(s.result, 0);
  EXPECT_EQ(s.folder, "C:\\music\\");
  EXPECT_EQ(s.name, "a.mp3");
  s = SplitOf("a.mp3", kWin);
  EXPECT_EQ(s.folder, "");
  EXPECT_EQ(s.name, "a.mp3");
  s = SplitOf("C:\\out\\", kWin);
  EXPECT_EQ(s.folder, "C:\\out\\");
  EXPECT_EQ(s.name, "");
  s = SplitOf("C:\\a.mp3", kWin);
  EXPECT_EQ(s.folder, "C:\\");
  EXPECT_EQ(s.name, "a.mp3");
  s = SplitOf("C:/x/a.mp3", kWin);  // '/' separates nothing in this style
  EXPECT_EQ(s.folder, "");
  EXPECT_EQ(s.name, "C:/x/a.mp3");
}

TEST(SplitOutputPath, MissingAndEmptyPathsClearBothParts) {
  Split s = SplitOf(nullptr, kWin);
  EXPECT_EQ(s.result, 1);
  EXPECT_EQ(s.folder, "");
  EXPECT_EQ(s.name, "");
  s = SplitOf("", kPosix);
  EXPECT_EQ(s.result, 0);
  EXPECT_EQ(s.folder, "");
  EXPECT_EQ(s.name, "");
}

TEST(SplitOutputPath, PosixStyleSplitsAtTheLastSlash) {
  Split s = SplitOf("/music/a.mp3", kPosix);
  EXPECT_EQ(s.folder, "/music/");
  EXPECT_EQ(s.name, "a.mp3");
  s = SplitOf("/a.mp3", kPosix);
  EXPECT_EQ(s.folder, "/");
  EXPECT_EQ(s.name, "a.mp3");
  s = SplitOf("/out/", kPosix);
  EXPECT_EQ(s.folder, "/out/");
  EXPECT_EQ(s.name, "");
  s = SplitOf("/x\\a.mp3", kPosix);
  EXPECT_EQ(s.folder, "/");
  EXPECT_EQ(s.name, "x\\a.mp3");
}

TEST(SplitOutputPath, PathsBeyondTheSupportedLengthAreRefusedWithoutAName) {
  std::string longest = "C:\\" + std::string(252, 'a');  // 255 characters
  EXPECT_EQ(SplitOf(longest.c_str(), kWin).name, std::string(252, 'a'));
  Split s = SplitOf((longest + "b").c_str(), kWin);
  EXPECT_EQ(s.result, 1);
  EXPECT_EQ(s.folder, "");
  EXPECT_EQ(s.name, "");

  std::string posixLongest = "/" + std::string(4094, 'a');  // 4095 characters
  EXPECT_EQ(SplitOf(posixLongest.c_str(), kPosix).result, 0);
  s = SplitOf((posixLongest + "b").c_str(), kPosix);
  EXPECT_EQ(s.result, 1);
  EXPECT_EQ(s.name, "");
}

TEST(CheckPathCharacters, EachClassInBothStyles) {
  EXPECT_EQ(CheckPathCharacters("C:\\music\\a.mp3", kWin), 0);
  EXPECT_EQ(CheckPathCharacters("\\\\server\\share", kWin), 0);
  EXPECT_EQ(CheckPathCharacters("C:\\a:b", kWin), 1);
  EXPECT_EQ(CheckPathCharacters("C:\\a/b", kWin), 2);
  EXPECT_EQ(CheckPathCharacters("C:\\a*", kWin), 3);
  EXPECT_EQ(CheckPathCharacters("C:\\a?", kWin), 4);
  EXPECT_EQ(CheckPathCharacters("C:\\a<", kWin), 5);
  EXPECT_EQ(CheckPathCharacters("C:\\a>", kWin), 6);
  EXPECT_EQ(CheckPathCharacters("C:\\a\"", kWin), 7);
  EXPECT_EQ(CheckPathCharacters("C:\\a|", kWin), 8);

  EXPECT_EQ(CheckPathCharacters("/music/a:b.mp3", kPosix), 0);  // a single colon is allowed
  EXPECT_EQ(CheckPathCharacters("/a:b:c", kPosix), 1);
  EXPECT_EQ(CheckPathCharacters("/a\\b", kPosix), 2);
  EXPECT_EQ(CheckPathCharacters("/a|b", kPosix), 8);
}

TEST(CheckPathCharacters, TheLowestClassWinsWhateverItsPosition) {
  EXPECT_EQ(CheckPathCharacters("C:\\|*", kWin), 3);
  EXPECT_EQ(CheckPathCharacters("C:\\?/a:", kWin), 1);
}

TEST(ExistingPaths, OnlyTheTwoWindowsFormsAreAskedAbout) {
  MemoryFileSystem fs(kWindowsForm);
  fs.AddFolder("C:\\music");
  fs.AddFile("C:\\music\\a.mp3");
  fs.AddFolder("\\\\srv\\share");
  EXPECT_TRUE(IsExistingFolder("C:\\music", kWin, fs));
  EXPECT_TRUE(IsExistingFolder("c:\\MUSIC\\", kWin, fs));
  EXPECT_TRUE(IsExistingFolder("\\\\srv\\share", kWin, fs));
  EXPECT_FALSE(IsExistingFolder("C:\\music\\a.mp3", kWin, fs));
  EXPECT_TRUE(IsExistingFile("C:\\music\\a.mp3", kWin, fs));
  EXPECT_FALSE(IsExistingFile("C:\\music", kWin, fs));
  EXPECT_FALSE(IsExistingFile("C:\\music\\b.mp3", kWin, fs));
  EXPECT_FALSE(IsExistingFolder("C", kWin, fs));
  EXPECT_FALSE(IsExistingFolder("1:\\music", kWin, fs));
}

TEST(CreateFolderChainWindows, MakesEveryMissingLevel) {
  MemoryFileSystem fs(kWindowsForm);
  EXPECT_EQ(CreateFolderChain("C:\\new\\sub\\", kWin, fs), 0);
  EXPECT_TRUE(fs.HasFolder("C:\\new"));
  EXPECT_TRUE(fs.HasFolder("C:\\new\\sub"));
  EXPECT_EQ(fs.EntryCount(), 3u);  // the drive and the two folders: the probe file is gone
  EXPECT_EQ(CreateFolderChain("C:\\new\\sub", kWin, fs), 0);  // existing and writable
  EXPECT_EQ(CreateFolderChain("C:\\", kWin, fs), 0);          // the root keeps its backslash
  EXPECT_EQ(CreateFolderChain("c:\\Lower", kWin, fs), 0);
}

TEST(CreateFolderChainWindows, AFileInTheChainStopsBeforeAnythingBelowIt) {
  MemoryFileSystem disk(kWindowsForm);
  FolderRequests fs(disk);
  disk.AddFile("C:\\x");
  EXPECT_EQ(CreateFolderChain("C:\\x\\y", kWin, fs), 17);
  EXPECT_EQ(CreateFolderChain("C:\\x\\y\\z\\", kWin, fs), 17);
  for (const std::string& request : fs.requests) {
    EXPECT_EQ(request.find("C:\\x\\y"), std::string::npos) << request;
  }
  EXPECT_TRUE(disk.HasFile("C:\\x"));
  EXPECT_EQ(CreateFolderChain("C:\\x", kWin, fs), 17);  // the folder itself is a file
}

TEST(CreateFolderChainWindows, ReasonsForTextsThatCannotBeFolders) {
  MemoryFileSystem disk(kWindowsForm);
  FolderRequests fs(disk);
  EXPECT_EQ(CreateFolderChain("", kWin, fs), 1);
  EXPECT_EQ(CreateFolderChain("C", kWin, fs), 7);
  EXPECT_EQ(CreateFolderChain("music\\new", kWin, fs), 2);
  EXPECT_EQ(CreateFolderChain("C:\\a:b", kWin, fs), 8);
  EXPECT_EQ(CreateFolderChain("C:\\a?", kWin, fs), 9);
  EXPECT_EQ(CreateFolderChain("C:\\a*", kWin, fs), 10);
  EXPECT_EQ(CreateFolderChain("C:\\a<", kWin, fs), 11);
  EXPECT_EQ(CreateFolderChain("C:\\a>", kWin, fs), 12);
  EXPECT_EQ(CreateFolderChain("C:\\a/b", kWin, fs), 13);
  EXPECT_EQ(CreateFolderChain("C:\\a\"", kWin, fs), 14);
  EXPECT_EQ(CreateFolderChain("C:\\a|b", kWin, fs), 16);
  EXPECT_TRUE(fs.requests.empty());  // refused before any folder is asked for
}

TEST(CreateFolderChainWindows, FoldersThatCannotBeMadeOrUsed) {
  MemoryFileSystem fs(kWindowsForm);
  fs.AddFolder("C:\\locked");
  fs.SetMode("C:\\locked", 0555);
  EXPECT_EQ(CreateFolderChain("C:\\locked", kWin, fs), 15);
  EXPECT_EQ(CreateFolderChain("C:\\locked\\inner", kWin, fs), 4);
  EXPECT_EQ(CreateFolderChain("D:\\music", kWin, fs), 4);  // no such drive
  EXPECT_EQ(CreateFolderChain("\\\\nobody\\share\\x", kWin, fs), 6);
}

TEST(CreateFolderChainWindows, UncPathsWalkFromTheServerName) {
  MemoryFileSystem disk(kWindowsForm);
  FolderRequests fs(disk);
  disk.AddFolder("\\\\srv\\share");
  EXPECT_EQ(CreateFolderChain("\\\\srv\\share\\new\\sub\\", kWin, fs), 0);
  EXPECT_TRUE(disk.HasFolder("\\\\srv\\share\\new\\sub"));
  ASSERT_FALSE(fs.requests.empty());
  EXPECT_EQ(fs.requests.front(), "\\\\srv\\");  // never "\" or "\\"
}

// Runs a check in a child process without root's privileges and returns its exit status.
int RunUnprivileged(const std::function<int()>& check) {
  pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 &&
        (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)) {
      _exit(200);
    }
    _exit(check());
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class CreateFolderChainPosix : public ::testing::Test {
 protected:
  TempDir dir;
  bool IsFolder(const std::string& path) { return std::filesystem::is_directory(path); }
};

TEST_F(CreateFolderChainPosix, MakesNestedFoldersAndLeavesNoProbeBehind) {
  EXPECT_EQ(CreateFolderChain(dir / "new/sub/", kPosix), 0);
  EXPECT_TRUE(IsFolder(dir / "new/sub"));
  EXPECT_TRUE(test::ListFolder(dir / "new/sub").empty());
  EXPECT_EQ(CreateFolderChain(dir / "new/sub", kPosix), 0);
  EXPECT_EQ(CreateFolderChain(dir / "a:b", kPosix), 0);  // one colon is a plain character
  EXPECT_TRUE(IsFolder(dir / "a:b"));
}

TEST_F(CreateFolderChainPosix, AFileInTheChainGives17AndNothingBelowIt) {
  test::WriteFile(dir / "x", {1, 2, 3});
  EXPECT_EQ(CreateFolderChain(dir / "x/y/z", kPosix), 17);
  EXPECT_EQ(CreateFolderChain(dir / "x", kPosix), 17);
  EXPECT_EQ(test::SizeOf(dir / "x"), 3);
  EXPECT_EQ(test::ListFolder(dir.path()).size(), 1u);
}

TEST_F(CreateFolderChainPosix, ForbiddenCharactersAndUnusableTexts) {
  EXPECT_EQ(CreateFolderChain(dir / "a|b", kPosix), 16);
  EXPECT_EQ(CreateFolderChain(dir / "a:b:c", kPosix), 8);
  EXPECT_EQ(CreateFolderChain(dir / "a\\b", kPosix), 13);
  EXPECT_EQ(CreateFolderChain(dir / "a*", kPosix), 10);
  EXPECT_EQ(CreateFolderChain(dir / "a?", kPosix), 9);
  EXPECT_EQ(CreateFolderChain(dir / "a\"", kPosix), 14);
  EXPECT_TRUE(test::ListFolder(dir.path()).empty());
  EXPECT_EQ(CreateFolderChain("music/new", kPosix), 2);
  EXPECT_EQ(CreateFolderChain("C:\\music", kPosix), 13);
  EXPECT_EQ(CreateFolderChain("a", kPosix), 7);
  EXPECT_EQ(CreateFolderChain("", kPosix), 1);
}

TEST_F(CreateFolderChainPosix, UnwritableFoldersGive15AndUnmakeableOnesGive4) {
  const std::string locked = dir / "locked";
  ASSERT_EQ(CreateFolderChain(locked, kPosix), 0);
  // The unprivileged user may pass through the test folder but write nowhere in it.
  std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
  std::filesystem::permissions(locked, std::filesystem::perms(0555));
  EXPECT_EQ(RunUnprivileged([&] { return CreateFolderChain(locked, kPosix); }), 15);
  EXPECT_EQ(RunUnprivileged([&] { return CreateFolderChain(locked + "/inner", kPosix); }), 4);
  // The root keeps its separator and is a usable folder, only not a writable one.
  EXPECT_EQ(RunUnprivileged([] { return CreateFolderChain("/", kPosix); }), 15);
  EXPECT_FALSE(std::filesystem::exists(locked + "/inner"));
}

TEST_F(CreateFolderChainPosix, ExistingPathsNeedAnAbsoluteForm) {
  test::WriteFile(dir / "f", {});
  EXPECT_TRUE(IsExistingFolder("/", kPosix));
  EXPECT_TRUE(IsExistingFolder(dir.path(), kPosix));
  EXPECT_FALSE(IsExistingFolder(dir / "f", kPosix));
  EXPECT_TRUE(IsExistingFile(dir / "f", kPosix));
  EXPECT_FALSE(IsExistingFile(dir / "missing", kPosix));
  EXPECT_FALSE(IsExistingFolder(".", kPosix));  // relative: no usable path
}

}  // namespace
}  // namespace tolvo::engine
