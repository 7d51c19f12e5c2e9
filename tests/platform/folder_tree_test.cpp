// Path names against std::filesystem's answers for the same text, and the folder listing and
// removal against a tree of files, folders and links built on disk.
#include "tolvo/platform/folder_tree.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "test_support.h"
#include "tolvo/platform/path_names.h"

namespace tolvo::test {
namespace {

namespace fs = std::filesystem;

TEST(PathNames, AnswerAsStdFilesystemDoes) {
  const char* paths[] = {"",          "a",
                         "/",         "/a",
                         "a/b",       "a/b/",
                         "a//b",      "a//b//",
                         "//a",       ".",
                         "..",        "./x",
                         "a/.",       "a/..",
                         "a/b/..",    "a/./b",
                         "/../x",     "../x",
                         "a/../../b", "/a/b/../../..",
                         "x.wav",     "x.WAV",
                         ".wav",      "..wav",
                         "a.b.wav",   "dir/",
                         ".hidden",   "a/.x",
                         "a.",        "/x/y.z/w",
                         "a/b/./",    "a/b/../",
                         "./",        "../",
                         "/./",       "/..",
                         "a//./b/",   "/out/../x/./sub//a.mp3"};
  for (const char* text : paths) {
    SCOPED_TRACE(text);
    const fs::path path(text);
    EXPECT_EQ(platform::ParentPath(text), path.parent_path().string());
    EXPECT_EQ(platform::NormalPath(text), path.lexically_normal().string());
    EXPECT_EQ(platform::PathStem(text), path.stem().string());
    EXPECT_EQ(platform::PathExtension(text), path.extension().string());
  }
  const char* joins[][2] = {{"a", "b"},  {"a/", "b"}, {"", "b"},    {"/", "b"},
                            {"a", "/b"}, {"a", ""},   {"a//", "b"}, {"/x/out", "sub/a.mp3"}};
  for (const auto& [folder, name] : joins) {
    EXPECT_EQ(platform::JoinPath(folder, name), (fs::path(folder) / name).string())
        << folder << " + " << name;
  }
}

TEST(FolderTree, ListsKindsThroughLinksAndRemovesATreeWithoutFollowingOne) {
  TempDir dir, outside;
  WriteFile(dir / "a.wav", {1});
  fs::create_directories(dir / "sub/deeper");
  WriteFile(dir / "sub/deeper/b.wav", {2});
  WriteFile(outside / "kept.wav", {3});
  fs::create_symlink(outside / "kept.wav", dir / "to-file");
  fs::create_symlink(outside.path(), dir / "to-folder");
  fs::create_symlink(dir / "nowhere", dir / "broken");

  platform::IoResult<std::vector<platform::FolderEntry>> listed = platform::ListFolder(dir.path());
  ASSERT_TRUE(listed);
  std::vector<platform::FolderEntry>& entries = *listed;
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  struct Expected {
    const char* name;
    platform::FileKind kind;
    bool link;
  };
  const Expected expected[] = {{"a.wav", platform::FileKind::kFile, false},
                               {"broken", platform::FileKind::kOther, true},
                               {"sub", platform::FileKind::kFolder, false},
                               {"to-file", platform::FileKind::kFile, true},
                               {"to-folder", platform::FileKind::kFolder, true}};
  ASSERT_EQ(entries.size(), std::size(expected));
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].name, expected[i].name);
    EXPECT_EQ(entries[i].kind, expected[i].kind) << expected[i].name;
    EXPECT_EQ(entries[i].link, expected[i].link) << expected[i].name;
  }

  EXPECT_TRUE(platform::ListFolder(dir / "missing").Failed(platform::IoErrorKind::kMissing));
  EXPECT_EQ(platform::ListFolder(dir / "a.wav").error().number, ENOTDIR);

  platform::RemoveTree(dir / "sub");
  platform::RemoveTree(dir.path());
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir.path())));
  EXPECT_EQ(ReadFile(outside / "kept.wav"), Bytes{3});  // behind a link: left alone
}

TEST(FolderTree, AbsolutePathJoinsTheCurrentFolderAndKeepsTheRest) {
  TempDir dir;
  const std::string before = fs::current_path().string();
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  const std::string here = fs::current_path().string();
  EXPECT_EQ(platform::CurrentFolder(), here);
  EXPECT_EQ(platform::AbsolutePath("x/../y.wav"), here + "/x/../y.wav");
  EXPECT_EQ(platform::AbsolutePath("/a/./b"), "/a/./b");
  EXPECT_EQ(platform::AbsolutePath(""), "");
  // A removed current folder has no name to start from.
  ASSERT_EQ(::mkdir((dir / "gone").c_str(), 0700), 0);
  ASSERT_EQ(::chdir((dir / "gone").c_str()), 0);
  ASSERT_EQ(::rmdir((dir / "gone").c_str()), 0);
  EXPECT_EQ(platform::CurrentFolder(), "");
  EXPECT_EQ(platform::AbsolutePath("a.wav"), "");
  ASSERT_EQ(::chdir(before.c_str()), 0);
}

}  // namespace
}  // namespace tolvo::test
