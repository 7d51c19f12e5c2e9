// The engine's file services against the real file system (and the in-memory one where a fault
// is needed): temporary files, sizes, the read-only bit, truncation, buffer writes, text searches.
#include "core/file_services.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "memory_file_system.h"
#include "test_support.h"

namespace tolvo::engine {
namespace {

using test::Bytes;
using test::TempDir;

uint32_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

void MakeReadOnly(const std::string& path) { ::chmod(path.c_str(), 0444); }

std::string TextOf(const std::string& path) {
  Bytes bytes = test::ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

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

TEST(IsReadOnlyFile, FollowsTheOwnersWriteBit) {
  TempDir dir;
  test::WriteFile(dir / "f", {1});
  EXPECT_FALSE(IsReadOnlyFile(dir / "f"));
  MakeReadOnly(dir / "f");
  EXPECT_TRUE(IsReadOnlyFile(dir / "f"));
  EXPECT_FALSE(IsReadOnlyFile(dir / "missing"));
}

TEST(TruncateFile, CutsAnExistingFileAndReportsEachFailure) {
  TempDir dir;
  test::WriteFile(dir / "f", {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(TruncateFile(dir / "f", 4), 0);
  EXPECT_EQ(test::ReadFile(dir / "f"), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(TruncateFile(dir / "missing", 0), 1);
  EXPECT_FALSE(test::Exists(dir / "missing"));
  EXPECT_EQ(TruncateFile(dir.path(), 0), 1);
  EXPECT_EQ(TruncateFile(dir / "f", -1), 2);
  EXPECT_EQ(test::SizeOf(dir / "f"), 4);
}

TEST(WriteBufferToFile, AppendsOrOverwrites) {
  TempDir dir;
  const std::string path = dir / "f";
  EXPECT_EQ(WriteBufferToFile(path, "abc", 3, 1, 0), 0);  // appending creates a missing file
  EXPECT_EQ(WriteBufferToFile(path, "de", 2, 1, 0), 0);
  EXPECT_EQ(TextOf(path), "abcde");
  EXPECT_EQ(WriteBufferToFile(path, "xy", 2, 0, 0), 0);
  EXPECT_EQ(TextOf(path), "xy");
  EXPECT_EQ(WriteBufferToFile(path, nullptr, 0, 0, 0), 0);
  EXPECT_EQ(test::SizeOf(path), 0);
}

TEST(WriteBufferToFile, ClearsTheReadOnlyBitAndWrites) {
  TempDir dir;
  const std::string path = dir / "f";
  test::WriteFile(path, {'a'});
  MakeReadOnly(path);
  EXPECT_EQ(WriteBufferToFile(path, "b", 1, 1, 0), 0);
  EXPECT_NE(ModeOf(path) & S_IWUSR, 0u);
  EXPECT_EQ(TextOf(path), "ab");
}

TEST(WriteBufferToFile, DeletesAFileAboveANonzeroLimitFirst) {
  TempDir dir;
  const std::string path = dir / "f";
  test::WriteFile(path, Bytes(100, 'o'));
  EXPECT_EQ(WriteBufferToFile(path, "n", 1, 1, 100), 0);  // at the limit: kept
  EXPECT_EQ(test::SizeOf(path), 101);
  EXPECT_EQ(WriteBufferToFile(path, "n", 1, 1, 0), 0);  // no limit
  EXPECT_EQ(test::SizeOf(path), 102);
  EXPECT_EQ(WriteBufferToFile(path, "n", 1, 1, 100), 0);  // above it: starts afresh
  EXPECT_EQ(TextOf(path), "n");
}

TEST(WriteBufferToFile, FailuresToOpenAndShortWrites) {
  TempDir dir;
  EXPECT_EQ(WriteBufferToFile(dir / "missing/f", "a", 1, 0, 0), 1);
  EXPECT_EQ(WriteBufferToFile(dir.path(), "a", 1, 1, 0), 1);
  EXPECT_EQ(WriteBufferToFile(dir / "f", nullptr, 5, 0, 0), 1);
  EXPECT_FALSE(test::Exists(dir / "f"));

  test::MemoryFileSystem fs;  // a disk that takes 3 more bytes
  fs.SetWriteLimit(3);
  EXPECT_EQ(WriteBufferToFile("C:\\f", "abcdef", 6, 0, 0, fs), 2);
  EXPECT_EQ(fs.Content("C:\\f"), "abc");
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
