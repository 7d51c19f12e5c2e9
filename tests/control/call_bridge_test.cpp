// The bridges to interface1: what reaches the engine (buffers, their room, encodings, numbers)
// and what comes back, checked against the recording stand-in engine.
#include <gtest/gtest.h>

#include <string>

#include "engine_folder.h"
#include "host/control_error.h"
#include "host/mp3_class.h"

namespace tolvo::control {
namespace {

using namespace std::string_literals;

class CallBridge : public ::testing::Test {
 protected:
  CallBridge() : host_(folder_.WithEngine(RECORDING_ENGINE_PATH).WithEncoder().path()) {
    host_.Init(false);
  }
  std::string LastCall() const { return folder_.Calls().back(); }

  test::EngineFolder folder_;
  MP3Class host_;
};

TEST(ResultRoom, PadsTextsShorterThan299CharactersWith300Nuls) {
  struct Case {
    size_t length, room, bufferBytes;
  };
  for (const Case& c : {Case{0, 300, 301}, Case{1, 301, 302}, Case{298, 598, 599},
                        Case{299, 299, 300}, Case{300, 300, 301}}) {
    std::u16string text(c.length, u'a');
    EXPECT_EQ(MakeResultRoom(text), c.room) << c.length;
    EXPECT_EQ(text.substr(0, c.length), std::u16string(c.length, u'a'));
    EXPECT_EQ(text.find_first_not_of(u'\0', c.length), std::u16string::npos);
    const std::string buffer = MakeEngineBuffer(text);
    EXPECT_EQ(buffer.size(), c.bufferBytes) << c.length;
    EXPECT_EQ(buffer.back(), '\0');
  }
}

TEST_F(CallBridge, SecondTextReachesTheEngineWithItsRoomInZeroBytes) {
  // The engine scans no further than the expected buffer size; a smaller buffer would be caught
  // by the address sanitizer, a larger room by the result checks below.
  struct Case {
    size_t length, bufferBytes, zeros;
  };
  for (const Case& c : {Case{0, 301, 301}, Case{298, 599, 301}, Case{299, 300, 1}}) {
    std::u16string command = u"standin_measure", second(c.length, u'a'), third = u" ";
    host_.CallWindow2(command, second, third, static_cast<int32_t>(c.bufferBytes));
    EXPECT_EQ(LastCall(), "standin_measure\tt:" + std::string(c.length, 'a') + "\tt: \tn:" +
                              std::to_string(c.bufferBytes) + "\tzeros:" + std::to_string(c.zeros));
    EXPECT_EQ(second, std::u16string(c.length, u'a'));  // back as sent, without the NULs
  }
}

TEST_F(CallBridge, ResultFillingTheWholeRoomComesBack) {
  for (size_t length : {0u, 298u, 299u}) {
    std::u16string command = u"standin_fill", second(length, u'a'), third = u"kept";
    const size_t room = length < 299 ? length + 300 : length;
    host_.CallWindow2(command, second, third, static_cast<int32_t>(room));
    EXPECT_EQ(second, std::u16string(room, u'x'));
    EXPECT_EQ(third, u"kept");
    EXPECT_EQ(command, u"standin_fill");
  }
}

TEST_F(CallBridge, ResultLongerThanItsRoomRaises5006) {
  // A path of 299 two-byte characters is not padded: room 299 characters in 599 bytes, so the
  // engine can hand back 400 characters without leaving the buffer.
  std::u16string command = u"standin_fill", second(299, u'\u00E9'), third = u"unchanged";
  try {
    host_.CallWindow2(command, second, third, 400);
    FAIL() << "no error raised";
  } catch (const ControlError& error) {
    EXPECT_EQ(error.number, 5006);
    EXPECT_EQ(error.description,
              u"Unexpected memory problem , please contact the developer support@tolvo.example");
  }
  EXPECT_EQ(second, std::u16string(400, u'x'));
  EXPECT_EQ(third, u"unchanged");  // the bridge ended before the third text
}

TEST_F(CallBridge, EngineWritesComeBackCutAtTheirFirstNul) {
  std::u16string command = u"standin_rename", second = u"/music/a.mp3", third = u" ";
  host_.CallWindow2(command, second, third, 0);
  EXPECT_EQ(command, u"done");
  EXPECT_EQ(second, u"/music/a.mp3");
  EXPECT_EQ(third, u" ");
}

TEST_F(CallBridge, TextWithANulReachesTheEngineOnlyUpToIt) {
  host_.CallWindow(u"passfiles", u"/in.wav\0/other.wav"s, u"/out.mp3", u" ");
  EXPECT_EQ(LastCall(), "passfiles\tt:/in.wav\tt:/out.mp3\tt: ");
}

TEST_F(CallBridge, PathsCrossAsUtf8WithALoneSurrogateAsReplacementCharacter) {
  host_.CallWindow(u"passfiles", u"/m\u00FAsica/\u00E9.wav", u"/out\xD800.mp3", u" ");
  EXPECT_EQ(LastCall(),
            "passfiles\tt:/m\\xC3\\xBAsica/\\xC3\\xA9.wav\tt:/out\\xEF\\xBF\\xBD.mp3\tt: ");
  std::u16string command = u"getid3v2", second = u"/\u00E9\U0001F600.mp3", third = u" ";
  host_.CallWindow2(command, second, third, 0);
  EXPECT_EQ(LastCall(), "getid3v2\tt:/\\xC3\\xA9\\xF0\\x9F\\x98\\x80.mp3\tt: \tn:0");
  EXPECT_EQ(second, u"/\u00E9\U0001F600.mp3");
}

TEST_F(CallBridge, TagTextsCrossAsUtf8) {
  std::u16string command = u"wv1Title", second = u"\u03A9\u20AC\u00E9\U0001F600!", third = u" ";
  host_.CallWindow2(command, second, third, 0);
  EXPECT_EQ(LastCall(),
            "wv1Title\tt:\\xCE\\xA9\\xE2\\x82\\xAC\\xC3\\xA9\\xF0\\x9F\\x98\\x80!\tt: \tn:0");

  command = u"v1Title", second = std::u16string(300, u' ');
  host_.CallWindow2(command, second, third, 0);
  EXPECT_EQ(second, u"Caf\u00E9 \u20AC\u041F");
}

TEST_F(CallBridge, GenreIndexTravelsAsTheThirdArgument) {
  std::u16string command = u"generategenre", second(300, u' '), third = u" ";
  host_.CallWindow2(command, second, third, 17);
  EXPECT_EQ(LastCall(), "generategenre\tt:" + std::string(300, ' ') + "\tt: \tn:17");
}

TEST_F(CallBridge, NumbersPassUnchangedAndResultsComeBack) {
  const int32_t bitrate = 192, negative = -5;
  EXPECT_EQ(host_.CallWindowLONG(u"bitrate", bitrate, negative, 7), 2);  // after "passpath"
  EXPECT_EQ(LastCall(), "bitrate\tn:192\tn:-5\tn:7");
  EXPECT_EQ(host_.CallWindow(u"intreturn", u" ", u" ", u" "), 3);
}

TEST(CallBridgeUnloaded, EveryBridgeRaises5007BeforeInit) {
  MP3Class host(test::TempDir().path());
  const std::u16string loading =
      u"Error loading a required dll , please contact the developer support@tolvo.example";
  std::u16string command = u"getid3v1", second = u"/a.mp3", third = u" ";
  auto expect5007 = [&](auto call) {
    try {
      call();
      ADD_FAILURE() << "no error raised";
    } catch (const ControlError& error) {
      EXPECT_EQ(error.number, 5007);
      EXPECT_EQ(error.description, loading);
    }
  };
  expect5007([&] { host.CallWindow(u"intreturn", u" ", u" ", u" "); });
  expect5007([&] { host.CallWindowLONG(u"bitrate", 128, 0, 0); });
  expect5007([&] { host.CallWindow2(command, second, third, 0); });
  EXPECT_EQ(second, u"/a.mp3");  // nothing was padded or sent
}

}  // namespace
}  // namespace tolvo::control
