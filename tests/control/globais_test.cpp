// The file argument checks: equality without letter case, emptiness, and the input-file probe
// (through a file layer that records what it was asked and can fail its reads).
#include "host/globais.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "host/letter_case.h"
#include "test_support.h"
#include "tolvo/platform/forwarding_file_system.h"

namespace tolvo::control {
namespace {

using namespace std::string_literals;

// The real file system, recording the byte counts asked of Read and the descriptors left open.
class RecordingFileSystem : public platform::ForwardingFileSystem {
 public:
  bool failReads = false;
  std::optional<platform::FileKind> reportedKind;  // none: report the truth
  size_t bytesAsked = 0;
  int opens = 0, closes = 0;

  platform::IoResult<int> Open(const char* path, platform::OpenMode mode) override {
    platform::IoResult<int> fd = ForwardingFileSystem::Open(path, mode);
    opens += fd.ok();
    return fd;
  }
  platform::IoResult<size_t> Read(int fd, void* buffer, size_t count) override {
    bytesAsked += count;
    if (failReads) return platform::ErrorOf(platform::IoErrorKind::kOther);
    return ForwardingFileSystem::Read(fd, buffer, count);
  }
  platform::IoStatus Close(int fd) override {
    ++closes;
    return ForwardingFileSystem::Close(fd);
  }
  platform::IoResult<platform::FileInfo> Stat(const char* path) override {
    platform::IoResult<platform::FileInfo> info = ForwardingFileSystem::Stat(path);
    if (info && reportedKind) info->kind = *reportedKind;
    return info;
  }
};

std::u16string U16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

TEST(CheckForSameFile, SeesOneFileBehindEverySpellingOfItsName) {
  test::TempDir dir;
  const std::string input = dir / "a.wav";
  test::WriteFile(input, test::Bytes(10, 1));
  test::WriteFile(dir / "b.wav", test::Bytes(10, 1));
  ASSERT_EQ(symlink(input.c_str(), (dir / "link.wav").c_str()), 0);
  ASSERT_EQ(link(input.c_str(), (dir / "hard.wav").c_str()), 0);
  for (const std::string& other : {dir.path() + "/./a.wav", dir / "link.wav", dir / "hard.wav"}) {
    EXPECT_TRUE(CheckForSameFile(U16(input), U16(other))) << other;
  }
  for (const std::string& other : {dir / "b.wav", dir / "missing.mp3"}) {
    EXPECT_FALSE(CheckForSameFile(U16(input), U16(other))) << other;
  }
}

TEST(CheckForEquality, IgnoresLetterCaseOnly) {
  EXPECT_TRUE(CheckForEquality(u"/Music/Track03.WAV", u"/music/TRACK03.wav"));
  EXPECT_TRUE(CheckForEquality(u"", u""));
  EXPECT_FALSE(CheckForEquality(u"/music/a.wav", u"\\music\\a.wav"));
  EXPECT_FALSE(CheckForEquality(u"C:\\music\\a.wav", u"C:/music/a.wav"));
  EXPECT_FALSE(CheckForEquality(u"/music/a.wav", u"/music/./a.wav"));
  EXPECT_FALSE(CheckForEquality(u"/music/a.wav", u"/music/a.wav "));
  EXPECT_FALSE(CheckForEquality(u"/music/a.wav", u"/music/a.wa"));
}

TEST(CheckForEquality, FoldsLettersBeyondAscii) {
  EXPECT_TRUE(
      CheckForEquality(u"/m\u00FAsica/\u00E7\u00E3o \u00FF", u"/M\u00DASICA/\u00C7\u00C3O \u0178"));
  EXPECT_TRUE(CheckForEquality(u"\u0105\u0142\u017C\u0148", u"\u0104\u0141\u017B\u0147"));
  EXPECT_TRUE(CheckForEquality(u"\u03B1\u03B8\u03AE\u03BD\u03B1 \u03C2",
                               u"\u0391\u0398\u0389\u039D\u0391 \u03A3"));
  EXPECT_TRUE(CheckForEquality(u"\u043C\u0443\u0437\u044B\u043A\u0430 \u0451\u0457",
                               u"\u041C\u0423\u0417\u042B\u041A\u0410 \u0401\u0407"));
  EXPECT_TRUE(CheckForEquality(u"\u1EA1\u01CE\u0463", u"\u1EA0\u01CD\u0462"));
  // Simple mapping only: sharp s has no single upper-case letter; the division sign is no letter.
  EXPECT_FALSE(CheckForEquality(u"stra\u00DFe", u"STRASSE"));
  EXPECT_EQ(ToUpperCase(u'\u00F7'), u'\u00F7');
  EXPECT_EQ(ToUpperCase(u'\u00D7'), u'\u00D7');
  EXPECT_EQ(ToUpperCase(u'\u0138'), u'\u0138');  // kra has no upper case
  EXPECT_EQ(ToUpperCase(u'\u0131'), u'I');
}

TEST(CheckForEmpty, OnlyTheEmptyTextIsEmpty) {
  EXPECT_TRUE(CheckForEmpty(u""));
  EXPECT_FALSE(CheckForEmpty(u" "));
  EXPECT_FALSE(CheckForEmpty(u"\0"s));
}

class CheckInputFileTest : public ::testing::Test {
 protected:
  std::u16string FileOf(size_t bytes) {
    const std::string path = dir_ / ("f" + std::to_string(bytes));
    test::WriteFile(path, test::Bytes(bytes, 0x5A));
    return U16(path);
  }
  test::TempDir dir_;
  RecordingFileSystem fs_;
};

TEST_F(CheckInputFileTest, ReadsAtMost255BytesOfAReadableFile) {
  struct Case {
    size_t size, asked;
  };
  for (const Case& c : {Case{0, 0}, Case{1, 1}, Case{255, 255}, Case{256, 255}, Case{1000, 255}}) {
    fs_.bytesAsked = 0;
    EXPECT_TRUE(CheckInputFile(FileOf(c.size), fs_)) << c.size;
    EXPECT_EQ(fs_.bytesAsked, c.asked) << c.size;
  }
  EXPECT_EQ(fs_.opens, 5);
  EXPECT_EQ(fs_.closes, 5);
}

TEST_F(CheckInputFileTest, FailsForMissingFilesFoldersAndMalformedPaths) {
  EXPECT_FALSE(CheckInputFile(U16(dir_ / "missing.wav"), fs_));
  EXPECT_FALSE(CheckInputFile(U16(dir_ / "no/such/folder/a.wav"), fs_));
  EXPECT_FALSE(CheckInputFile(U16(dir_.path()), fs_));
  EXPECT_FALSE(CheckInputFile(u"", fs_));
  // A NUL would otherwise check the file named by the text before it.
  EXPECT_FALSE(CheckInputFile(FileOf(10) + u"\0.wav"s, fs_));
  EXPECT_EQ(fs_.opens, 0);
}

TEST_F(CheckInputFileTest, FailsWithoutOpeningWhatIsNoRegularFile) {
  // A FIFO or a device would block or never end; such a path is not opened at all.
  const std::u16string path = FileOf(10);
  fs_.reportedKind = platform::FileKind::kOther;
  EXPECT_FALSE(CheckInputFile(path, fs_));
  EXPECT_EQ(fs_.opens, 0);
}

TEST_F(CheckInputFileTest, AFailedReadAnswersFalseAndClosesTheFile) {
  fs_.failReads = true;
  EXPECT_FALSE(CheckInputFile(FileOf(1000), fs_));
  EXPECT_EQ(fs_.opens, 1);
  EXPECT_EQ(fs_.closes, 1);
}

TEST_F(CheckInputFileTest, NonAsciiNamesAreFoundThroughUtf8) {
  test::WriteFile(dir_ / "m\xC3\xBAsica.wav", test::Bytes(300, 1));
  EXPECT_TRUE(CheckInputFile(U16(dir_.path()) + u"/m\u00FAsica.wav"));
}

}  // namespace
}  // namespace tolvo::control
