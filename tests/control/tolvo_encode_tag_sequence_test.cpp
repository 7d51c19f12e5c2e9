// The tag methods against a scripted engine: exact command sequences and placeholders, results
// passed through, values left alone when a read fails, "v2cleanup" on every path (also when an
// engine-host error ends the method) and the choice of the ID3v2 temporary folder.
#include <gtest/gtest.h>


#include "faulty_file_system.h"
#include "tag_methods.h"
#include "test_support.h"
#include "tolvo_encode_scripted_engine.h"

namespace tolvo::test {
namespace {

using namespace control;

std::string Blanks(size_t n) { return std::string(n, ' '); }

class TagSequenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_.controlFolder = platform::Utf8ToUtf16(dir_.path() + "/");
    engine_.answer = [this](const std::string& command, std::u16string* text, int32_t number) {
      auto found = answers_.find(command);
      if (text && texts_.contains(command)) *text = texts_[command];
      if (command == "generategenre" && text)
        *text = u"G" + platform::Utf8ToUtf16(std::to_string(number));
      return found == answers_.end() ? 0 : found->second;
    };
  }
  TempDir dir_;
  ScriptedEngine engine_;
  EventRecorder events_;
  std::map<std::string, int32_t> answers_;
  std::map<std::string, std::u16string> texts_;
};

TEST_F(TagSequenceTest, ReadV1AsksEachFieldInto300BlanksAndTakesTheTextsUntrimmed) {
  texts_ = {{"v1Title", u"Caf\u00e9 M\u00fcller   "}, {"v1Year", u"1978"}};
  answers_ = {{"v1Track", 7}, {"v1Genre", 13}};
  Id3v1Values values{1, u"t", u"a", u"b", u"y", 2, u"c"};
  EXPECT_EQ(ReadId3v1Tag(engine_, u"/x.mp3", values), 0);
  const std::string b = Blanks(300);
  EXPECT_EQ(engine_.requests,
            (std::vector<std::string>{"getid3v1|/x.mp3| |0", "v1Title|" + b + "| |0",
                                      "v1Artist|" + b + "| |0", "v1Album|" + b + "| |0",
                                      "v1Year|" + b + "| |0", "v1Comment|" + b + "| |0",
                                      "v1Track|0|0|0", "v1Genre|0|0|0"}));
  EXPECT_EQ(values.title, u"Caf\u00e9 M\u00fcller   ");
  EXPECT_EQ(values.year, u"1978");
  EXPECT_EQ(values.artist, platform::Utf8ToUtf16(b));  // a field the engine left alone
  EXPECT_EQ(values.track, 7);
  EXPECT_EQ(values.genre, 13);
}

TEST_F(TagSequenceTest, AFailedReadReturnsTheCodeAndLeavesTheValuesAsPassed) {
  answers_ = {{"getid3v1", 2}, {"getid3v2", 1}};
  Id3v1Values v1{1, u"t", u"a", u"b", u"y", 2, u"c"};
  EXPECT_EQ(ReadId3v1Tag(engine_, u"/x.mp3", v1), 2);
  EXPECT_EQ(v1.title, u"t");
  EXPECT_EQ(v1.track, 1);
  EXPECT_EQ(v1.genre, 2);

  engine_.requests.clear();
  Id3v2Values v2;
  v2.title = u"kept";
  EXPECT_EQ(ReadId3v2Tag(engine_, u"/x.mp3", v2), 1);
  EXPECT_EQ(v2.title, u"kept");
  EXPECT_EQ(engine_.Commands(), (std::vector<std::string>{"getid3v2", "v2cleanup"}));
}

TEST_F(TagSequenceTest, WriteV1SendsTheTrackBeforeTheCommentAndReturnsTheWriteResult) {
  answers_ = {{"setid3v1", 4}};
  EXPECT_EQ(WriteId3v1Tag(engine_, u"/x.mp3", {5, u"T", u"A", u"B", u"1999", 17, u"C"}), 4);
  EXPECT_EQ(engine_.requests,
            (std::vector<std::string>{"wv1Title|T| |0", "wv1Artist|A| |0", "wv1Album|B| |0",
                                      "wv1Year|1999| |0", "wv1Track|5|0|0", "wv1Comment|C| |0",
                                      "wv1Genre|17|0|0", "setid3v1|/x.mp3| |0"}));
}

TEST_F(TagSequenceTest, RemoveV1SendsOneCommand) {
  answers_ = {{"removeid3v1", 3}};
  EXPECT_EQ(RemoveId3v1Tag(engine_, u"/x.mp3"), 3);
  EXPECT_EQ(engine_.requests, std::vector<std::string>{"removeid3v1|/x.mp3| |0"});
}

TEST_F(TagSequenceTest, GenreListRaisesClearThen149NamesInIndexOrder) {
  GenerateId3v1Genres(engine_, events_);
  ASSERT_EQ(events_.events.size(), 150u);
  EXPECT_EQ(events_.events[0], (RaisedEvent{"ID3v1GenreList", 0, u"", true}));
  for (int i = 0; i < 149; ++i) {
    EXPECT_EQ(events_.events[i + 1].text, u"G" + platform::Utf8ToUtf16(std::to_string(i)));
    EXPECT_FALSE(events_.events[i + 1].flag);
    EXPECT_EQ(engine_.requests[i], "generategenre|" + Blanks(300) + "| |" + std::to_string(i));
  }
}

TEST_F(TagSequenceTest, ReadV2AsksEachFieldBySizeIntoSizePlusTenBlanksThenCleansUp) {
  answers_ = {{"v2Titlesize", 5}, {"v2Composersize", -3}};
  texts_ = {{"v2Title", u"Hello"}, {"v2Genre", u"Pop"}};
  Id3v2Values values;
  values.url = u"was here";
  EXPECT_EQ(ReadId3v2Tag(engine_, u"/x.mp3", values), 0);
  const char* fields[] = {"Composer",  "OriginalArtist", "Copyright", "URL",
                          "EncodedBy", "Comment",        "Genre",     "Year",
                          "Album",     "Artist",         "Title",     "Track"};
  std::vector<std::string> expected{"getid3v2|/x.mp3| |0"};
  for (const char* f : fields) {
    const std::string field = f;
    const size_t room = field == "Title" ? 15 : 10;
    expected.push_back("v2" + field + "size|0|0|0");
    expected.push_back("v2" + field + "|" + Blanks(room) + "| |0");
  }
  expected.push_back("v2cleanup|0|0|0");
  EXPECT_EQ(engine_.requests, expected);
  EXPECT_EQ(values.title, u"Hello");
  EXPECT_EQ(values.genre, u"Pop");
  EXPECT_EQ(values.url, u"          ");  // as the engine left the placeholder
}

TEST_F(TagSequenceTest, WriteV2EmptiesTheFieldSetBeforeAndAfter) {
  answers_ = {{"setid3v2", 1}};
  Id3v2Values values{u"1", u"T", u"A", u"B", u"2001", u"(13)", u"C", u"E", u"U", u"R", u"O", u"M"};
  EXPECT_EQ(WriteId3v2Tag(engine_, u"/x.mp3", values), 1);
  const std::string folder = dir_.path() + "/";
  EXPECT_EQ(engine_.requests,
            (std::vector<std::string>{"definetempfolder|" + folder + "| |0", "v2cleanup|0|0|0",
                                      "wv2Composer|M| |0", "wv2OriginalArtist|O| |0",
                                      "wv2Copyright|R| |0", "wv2URL|U| |0", "wv2EncodedBy|E| |0",
                                      "wv2Comment|C| |0", "wv2Genre|(13)| |0", "wv2Year|2001| |0",
                                      "wv2Album|B| |0", "wv2Artist|A| |0", "wv2Title|T| |0",
                                      "wv2Track|1| |0", "setid3v2|/x.mp3| |0", "v2cleanup|0|0|0"}));
}

TEST_F(TagSequenceTest, AnEngineErrorInTheMiddleStillCleansUpAndTheFirstErrorWins) {
  // Request 4 of a read is "v2OriginalArtistsize"; of a write, "wv2OriginalArtist".
  for (bool write : {false, true}) {
    engine_.requests.clear();
    engine_.failAtRequest = 4;
    try {
      Id3v2Values values;
      if (write) {
        WriteId3v2Tag(engine_, u"/x.mp3", values);
      } else {
        ReadId3v2Tag(engine_, u"/x.mp3", values);
      }
      FAIL() << "no error";
    } catch (const ControlError& error) {
      EXPECT_EQ(error.number, 5006);
    }
    ASSERT_EQ(engine_.requests.size(), 5u);
    EXPECT_EQ(engine_.requests.back(), "v2cleanup|0|0|0");
  }
}

TEST_F(TagSequenceTest, ACleanupThatFailsItselfDoesNotHideTheFirstError) {
  // Request 2 fails with 5006; the cleanup (request 3) would fail too, with 5007.
  engine_.failAtRequest = 2;
  engine_.answer = [this](const std::string& command, std::u16string*, int32_t) -> int32_t {
    if (command == "v2cleanup") throw ControlError{5007, u"gone"};
    return 0;
  };
  Id3v2Values values;
  try {
    ReadId3v2Tag(engine_, u"/x.mp3", values);
    FAIL() << "no error";
  } catch (const ControlError& error) {
    EXPECT_EQ(error.number, 5006);
  }
  EXPECT_EQ(engine_.Commands().back(), "v2cleanup");
}

TEST_F(TagSequenceTest, RemoveV2SendsTheTempFolderThenTheRemoval) {
  answers_ = {{"remove_id3v2_tag", 2}};
  EXPECT_EQ(RemoveId3v2Tag(engine_, u"/x.mp3"), 2);
  EXPECT_EQ(engine_.requests, (std::vector<std::string>{"definetempfolder|" + dir_.path() + "/| |0",
                                                        "remove_id3v2_tag|/x.mp3| |0"}));
}

TEST_F(TagSequenceTest, TheTempFolderFallsBackWhenTheControlFolderTakesNoFiles) {
  const std::u16string controlFolder = platform::Utf8ToUtf16(dir_.path() + "/");
  FaultyFileSystem fs;
  EXPECT_EQ(ChooseTempFolder(controlFolder, fs), controlFolder);
  EXPECT_TRUE(ListFolder(dir_.path()).empty());  // the probe file is gone again

  fs.FailCall(1, platform::IoErrorKind::kPermission);
  EXPECT_EQ(ChooseTempFolder(controlFolder, fs),
            platform::Utf8ToUtf16(platform::SystemTempFolder()));
  EXPECT_EQ(ChooseTempFolder(u"", fs), platform::Utf8ToUtf16(platform::SystemTempFolder()));
  EXPECT_TRUE(platform::Utf8ToUtf16(platform::SystemTempFolder()).ends_with(u"/"));

  fs.Reset();
  fs.FailCall(1, platform::IoErrorKind::kPermission);
  engine_.requests.clear();
  Id3v2Values values;
  WriteId3v2Tag(engine_, u"/x.mp3", values, fs);
  EXPECT_EQ(engine_.requests.front(), "definetempfolder|" + platform::SystemTempFolder() + "| |0");
}

}  // namespace
}  // namespace tolvo::test
