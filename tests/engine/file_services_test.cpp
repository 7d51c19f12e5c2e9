// The engine's file services against the real file system: temporary files, the temporary
// folder, text searches.
#include "core/file_services.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_support.h"

namespace tolvo::engine {
namespace {

using test::TempDir;

TEST(MakeTempFileIn, MakesAnEmptyTolvoFileInTheFolder) {
  TempDir dir;
  std::string first;
  std::string second;
  ASSERT_EQ(MakeTempFileIn(dir.path() + "   ", &first), 0);  // trailing blanks are dropped
  ASSERT_EQ(MakeTempFileIn(dir.path() + "/", &second), 0);
  EXPECT_NE(first, second);
  for (const std::string& path : {first, second}) {
    EXPECT_EQ(path.rfind(dir.path() + "/tolvo", 0), 0u) << path;
    EXPECT_EQ(path.size(), dir.path().size() + 1 + 5 + 6) << path;
    EXPECT_EQ(test::SizeOf(path), 0);
  }
}

TEST(MakeTempFileIn, AMissingOrEmptyFolderGivesNoFile) {
  TempDir dir;
  std::string path = "stale";
  EXPECT_EQ(MakeTempFileIn(dir / "missing", &path), 1);
  EXPECT_EQ(path, "");
  path = "stale";
  EXPECT_EQ(MakeTempFileIn("   ", &path), 1);
  EXPECT_EQ(path, "");
}

TEST(ProbeFolderWritable, LeavesNothingBehind) {
  TempDir dir;
  EXPECT_TRUE(ProbeFolderWritable(dir.path()));
  EXPECT_TRUE(test::ListFolder(dir.path()).empty());
  EXPECT_FALSE(ProbeFolderWritable(dir / "missing"));
}

TEST(SystemTempFolder, IsAnExistingFolderWithATrailingSeparator) {
  std::string folder = SystemTempFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

// The converted input and the tag writer's fallback live here, and the path rules accept only
// absolute paths: a relative TMPDIR must come back absolute.
TEST(SystemTempFolder, ARelativeTmpdirIsMadeAbsolute) {
  TempDir dir;
  ASSERT_TRUE(std::filesystem::create_directory(dir / "rel"));
  const std::filesystem::path savedCwd = std::filesystem::current_path();
  const char* old = std::getenv("TMPDIR");
  const std::string savedTmpdir = old ? old : "";
  std::filesystem::current_path(dir.path());
  setenv("TMPDIR", "rel", 1);
  const std::string folder = SystemTempFolder();
  const std::string expected = (std::filesystem::current_path() / "rel").string() + "/";
  std::filesystem::current_path(savedCwd);
  if (old)
    setenv("TMPDIR", savedTmpdir.c_str(), 1);
  else
    unsetenv("TMPDIR");
  EXPECT_EQ(folder, expected);
  EXPECT_TRUE(IsExistingFolder(folder));
}

TEST(TextSearch, CountsAndFindsWithoutRegardToCase) {
  EXPECT_EQ(CountOccurrences("C:\\a:b", ":"), 2);
  EXPECT_EQ(CountOccurrences("Rock and ROCK and rOcK", "rock"), 3);
  EXPECT_EQ(CountOccurrences("aaaa", "aa"), 3);  // every position where the part begins
  EXPECT_EQ(CountOccurrences("", ":"), 0);
  EXPECT_EQ(CountOccurrences("abc", ""), 0);
  EXPECT_EQ(CountOccurrences("ab", "abc"), 0);

  EXPECT_EQ(FindText("Rock (17)", "("), 6);
  EXPECT_EQ(FindText("hard ROCK rock", "rock"), 6);
  EXPECT_EQ(FindText("Rock", "Rock"), 1);
  EXPECT_EQ(FindText("Rock", ")"), 0);
  EXPECT_EQ(FindText("", "("), 0);
  EXPECT_EQ(FindText("(", ""), 0);
  EXPECT_EQ(FindText("(", "(("), 0);
}

TEST(TextSearch, TrimTrailingSpacesKeepsInnerAndLeadingBlanks) {
  std::string text = " a b   ";
  TrimTrailingSpaces(text);
  EXPECT_EQ(text, " a b");
  text = "    ";
  TrimTrailingSpaces(text);
  EXPECT_EQ(text, "");
  text = "";
  TrimTrailingSpaces(text);
  EXPECT_EQ(text, "");
}

}  // namespace
}  // namespace tolvo::engine
