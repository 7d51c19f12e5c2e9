// The encode orchestration against a scripted engine: the checks of MP3Encode and what they send,
// the settings mapping, and the polling tick's events and their order.
#include <gtest/gtest.h>

#include "encode_orchestration.h"
#include "error_table.h"
#include "test_support.h"
#include "tolvo_encode_scripted_engine.h"

namespace tolvo::test {
namespace {

using control::DescribeError;
using control::EncodeOrchestration;

class OrchestrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteWav(input_, WavFormat{.frames = 100});
    engine_.answer = [this](const std::string& command, std::u16string*, int32_t) -> int32_t {
      if (command == "intreturn") return jobState_;
      if (command == "progress") return progress_;
      return 0;
    };
  }
  void Encode(const std::u16string& in, const std::u16string& out, std::u16string stereo = u"joint",
              std::u16string quality = u"normal") {
    orchestration_.MP3Encode(in, out, 128, stereo, quality, 0, 320);
  }
  // The tick as the timer would run it.
  void TickWith(int32_t progress, int32_t jobState) {
    progress_ = progress;
    jobState_ = jobState;
    orchestration_.Tick();
  }
  std::vector<RaisedEvent> EventsWithoutTimer() const {
    std::vector<RaisedEvent> out;
    for (const auto& e : events_.events) {
      if (e.name != "TimerEnabled" && e.name != "TimerDisabled") out.push_back(e);
    }
    return out;
  }

  TempDir dir_;
  std::string inputPath_ = dir_ / "in.wav";
  const std::string& input_ = inputPath_;
  std::u16string in_ = platform::Utf8ToUtf16(inputPath_);
  std::u16string out_ = platform::Utf8ToUtf16(dir_ / "out.mp3");
  int32_t jobState_ = 0;
  int32_t progress_ = 0;
  ScriptedEngine engine_;
  EventRecorder events_;
  EncodeOrchestration orchestration_{engine_, events_, events_};
};

TEST(SettingsMappingTest, StereoModeAndQualityAreExactAndCaseSensitive) {
  EXPECT_EQ(control::StereoModeNumber(u"stereo"), 0);
  EXPECT_EQ(control::StereoModeNumber(u"joint"), 1);
  EXPECT_EQ(control::StereoModeNumber(u"dual"), 2);
  EXPECT_EQ(control::StereoModeNumber(u"mono"), 3);
  for (std::u16string_view other : {u"Mono", u"JOINT", u"", u" mono", u"mono "}) {
    EXPECT_EQ(control::StereoModeNumber(other), 0);
  }
  EXPECT_EQ(control::QualityNumber(u"normal"), 0);
  EXPECT_EQ(control::QualityNumber(u"low"), 1);
  EXPECT_EQ(control::QualityNumber(u"high"), 2);
  for (std::u16string_view other : {u"HIGH", u"Low", u"", u"best"}) {
    EXPECT_EQ(control::QualityNumber(other), 0);
  }
}

TEST_F(OrchestrationTest, SuccessfulStartSendsTheSettingsInOrderAndEnablesTheTimer) {
  Encode(in_, out_, u"mono", u"high");
  const std::string in = platform::Utf16ToUtf8(in_), out = platform::Utf16ToUtf8(out_);
  EXPECT_EQ(engine_.requests,
            (std::vector<std::string>{"intreturn| | | ", "bitrate|128|0|0", "vbr|0|0|0",
                                      "vbrmaxbitrate|320|0|0", "stereomode|3|0|0", "quality|2|0|0",
                                      "passfiles|" + in + "|" + out + "| "}));
  EXPECT_EQ(engine_.inits, 1);
  EXPECT_TRUE(events_.timerEnabled);
  EXPECT_TRUE(EventsWithoutTimer().empty());
}

TEST_F(OrchestrationTest, EachFailedCheckRaisesItsErrorAndSendsNothingMore) {
  struct Case {
    std::u16string in, out;
    int32_t expected;
  };
  const std::u16string missing = platform::Utf8ToUtf16(dir_ / "missing.wav");
  const std::u16string folder = platform::Utf8ToUtf16(dir_.path());
  std::u16string upper = in_;
  for (auto& c : upper) c = (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
  const Case cases[] = {
      {u"", u"", 2},    // equality comes before the empty checks
      {in_, upper, 2},  // letter case is ignored
      {u"", out_, 3},  {in_, u"", 4}, {missing, out_, 5}, {folder, out_, 5},
  };
  for (const Case& c : cases) {
    engine_.requests.clear();
    events_.events.clear();
    Encode(c.in, c.out);
    EXPECT_EQ(engine_.Commands(), std::vector<std::string>{"intreturn"});
    ASSERT_EQ(events_.events.size(), 1u);
    EXPECT_EQ(events_.events[0].name, "ErrorCode");
    EXPECT_EQ(events_.events[0].number, c.expected);
    EXPECT_EQ(events_.events[0].text, DescribeError(c.expected).description);
  }
  EXPECT_FALSE(events_.timerEnabled);
}

TEST_F(OrchestrationTest, AnotherSpellingOfTheInputIsTheSameFile) {
  // Compared by identity: the engine is never asked to write over its own input.
  Encode(in_, platform::Utf8ToUtf16(dir_.path() + "/./in.wav"));
  EXPECT_EQ(engine_.Commands(), std::vector<std::string>{"intreturn"});
  ASSERT_EQ(events_.events.size(), 1u);
  EXPECT_EQ(events_.events[0].number, control::kErrorSameFile);
}

TEST_F(OrchestrationTest, ARunningJobRefusesANewEncodeWith9) {
  jobState_ = 1000;
  Encode(in_, out_);
  EXPECT_EQ(engine_.Commands(), std::vector<std::string>{"intreturn"});
  EXPECT_EQ(EventsWithoutTimer(),
            (std::vector<RaisedEvent>{{"ErrorCode", 9, DescribeError(9).description}}));
}

TEST_F(OrchestrationTest, PriorityOutsideOneToThreeRaises12WithoutLoadingTheEngine) {
  for (int32_t level : {0, 4, -1}) orchestration_.SelectProcessPriority(level);
  EXPECT_EQ(engine_.inits, 0);
  EXPECT_TRUE(engine_.requests.empty());
  ASSERT_EQ(events_.events.size(), 3u);
  for (const auto& e : events_.events) {
    EXPECT_EQ(e, (RaisedEvent{"ErrorCode", 12, u"Invalid priority level"}));
  }
  orchestration_.SelectProcessPriority(3);
  EXPECT_EQ(engine_.requests, std::vector<std::string>{"intpriority|3|0|0"});
}

TEST_F(OrchestrationTest, PauseResumeCancelSendTheirCommandsAndRaiseNothing) {
  orchestration_.MP3EncodePause();
  orchestration_.MP3EncodeResume();
  orchestration_.MP3EncodeCancel();
  EXPECT_EQ(engine_.requests,
            (std::vector<std::string>{"pause| | | ", "resume| | | ", "cancel| | | "}));
  EXPECT_EQ(engine_.inits, 3);
  EXPECT_TRUE(events_.events.empty());
}

TEST_F(OrchestrationTest, TicksRaiseProgressOnlyOnChangeAndEndInTheFixedOrder) {
  Encode(in_, out_);
  events_.events.clear();
  TickWith(0, 1000);  // the first job starts from a last progress of 0: no event
  TickWith(0, 1000);
  TickWith(35, 1000);
  TickWith(35, 1000);
  TickWith(99, 1000);
  TickWith(99, 0);
  EXPECT_EQ(events_.events, (std::vector<RaisedEvent>{{"Progress", 35},
                                                      {"Progress", 99},
                                                      {"ErrorCode", 0, u"No error "},
                                                      {"TimerDisabled"},
                                                      {"Finished"},
                                                      {"Progress", 100}}));

  // On the next job a first value of 0 is a change.
  events_.events.clear();
  Encode(in_, out_);
  TickWith(0, 1000);
  TickWith(12, 113);
  EXPECT_EQ(EventsWithoutTimer(),
            (std::vector<RaisedEvent>{{"Progress", 0},
                                      {"Progress", 12},
                                      {"ErrorCode", 255, u"Unexpected error 113"},
                                      {"Finished"},
                                      {"Progress", 100}}));
}

TEST_F(OrchestrationTest, EachTickPollsProgressThenState) {
  TickWith(5, 1000);
  EXPECT_EQ(engine_.requests, (std::vector<std::string>{"progress| | | ", "intreturn| | | "}));
  EXPECT_EQ(engine_.inits, 1);
}

TEST_F(OrchestrationTest, ATickStartedInsideAHandlerOfTheFinalTickDoesNothing) {
  Encode(in_, out_);
  events_.events.clear();
  int nestedTicks = 0;
  events_.onEvent = [&](const RaisedEvent& e) {
    if (e.name == "ErrorCode" && nestedTicks++ == 0) orchestration_.Tick();  // a modal loop
  };
  TickWith(50, 112);
  EXPECT_EQ(
      EventsWithoutTimer(),
      (std::vector<RaisedEvent>{
          {"Progress", 50}, {"ErrorCode", 112, u"User abort"}, {"Finished"}, {"Progress", 100}}));
  EXPECT_EQ(engine_.Commands().size(), 9u);  // the encode's 7 and one tick's 2
}

TEST_F(OrchestrationTest, AJobStartedFromTheEndReportKeepsTheTimerRunning) {
  Encode(in_, out_);
  events_.onEvent = [&](const RaisedEvent& e) {
    if (e.name == "ErrorCode" && e.number == 0) {
      jobState_ = 0;  // the engine is idle again, so the next encode starts
      Encode(in_, out_);
    }
  };
  TickWith(99, 0);
  EXPECT_TRUE(events_.timerEnabled);
  EXPECT_EQ(engine_.Commands().back(), "passfiles");
}

TEST_F(OrchestrationTest, EngineHostErrorsPassThroughUnchanged) {
  engine_.failAtRequest = 1;
  engine_.failure = ControlError{5007, u"Error loading"};
  try {
    Encode(in_, out_);
    FAIL() << "no error";
  } catch (const ControlError& error) {
    EXPECT_EQ(error.number, 5007);
  }
  EXPECT_TRUE(events_.events.empty());
}

}  // namespace
}  // namespace tolvo::test
