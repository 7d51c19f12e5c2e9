// Encoding through the built control and the real engine: the end report and its order, progress
// that rises and is raised only on change, the control's own checks, job results that can be
// provoked, two controls sharing the one engine, and destroying a control while it encodes.
#include "tolvo_encode_test_host.h"

namespace tolvo::test {
namespace {

using namespace control;

class EncodeTest : public ControlHostTest {
 protected:
  // Starts an encode and asserts that nothing was raised by the call itself.
  void Start(const ComPtr<_TolvoEncode>& control, const std::u16string& in,
             const std::u16string& out, int32_t bitrate = 128) {
    for (auto& sink : sinks_) sink->heard.clear();
    Variant v;
    ASSERT_EQ(control->MP3Encode(in, out, bitrate, u"joint", u"normal", 0, 320, &v), S_OK);
    EXPECT_TRUE(v.IsEmpty());
  }
  static void ExpectEnd(const EventSink* sink, int32_t number, const std::u16string& text) {
    ASSERT_TRUE(WaitForEnd(sink));
    const size_t n = sink->heard.size();
    EXPECT_EQ(sink->heard[n - 3].dispid, kDispidErrorCode);
    EXPECT_EQ(sink->heard[n - 3].number, number);
    EXPECT_EQ(sink->heard[n - 3].text, text);
    EXPECT_EQ(sink->heard[n - 2].dispid, kDispidFinished);
    EXPECT_EQ(sink->heard[n - 1].dispid, kDispidProgress);
    EXPECT_EQ(sink->heard[n - 1].number, 100);
  }
  // A job that stays running until resumed: paused at once after its start.
  void StartPaused(const ComPtr<_TolvoEncode>& control, const std::string& out) {
    Variant v;
    Start(control, Wav("long.wav", 8), Path(out));
    ASSERT_EQ(control->MP3EncodePause(&v), S_OK);
  }
};

TEST_F(EncodeTest, ASuccessfulEncodeEndsWithNoErrorFinishedAndProgress100) {
  ComPtr<_TolvoEncode> control = Create();
  EventSink* sink = Connect(control);
  Start(control, Wav("in.wav", 6), Path("out.mp3"));
  EXPECT_TRUE(sink->heard.empty());  // nothing is raised on the way in
  ExpectEnd(sink, 0, u"No error ");

  // Every event passes its arguments by reference; progress before the end only rises.
  int32_t last = 0;
  for (size_t i = 0; i + 3 < sink->heard.size(); ++i) {
    const Heard& h = sink->heard[i];
    ASSERT_EQ(h.dispid, kDispidProgress);
    EXPECT_EQ(h.types, std::vector<uint16_t>{VT_BYREF | VT_I4});
    EXPECT_GT(h.number, last);
    EXPECT_LT(h.number, 100);
    last = h.number;
  }
  EXPECT_EQ(sink->heard[sink->heard.size() - 3].types,
            (std::vector<uint16_t>{VT_BYREF | VT_I4, VT_BYREF | VT_BSTR}));
  EXPECT_NEAR(DecodedSeconds(dir_ / "out.mp3"), 6.0, 0.05);

  // Nothing more arrives once the job has been reported.
  const size_t heard = sink->heard.size();
  RunLoopUntil([] { return false; }, 600);
  EXPECT_EQ(sink->heard.size(), heard);
}

TEST_F(EncodeTest, TheControlsOwnChecksRaiseTheirErrorsInsideTheCall) {
  ComPtr<_TolvoEncode> control = Create();
  EventSink* sink = Connect(control);
  const std::u16string in = Wav("in.wav", 0.1);
  struct Case {
    std::u16string in, out;
    int32_t number;
    std::u16string text;
  };
  const Case cases[] = {
      {u"", u"", 2, u"The input file is the same as the output"},
      {in, in, 2, u"The input file is the same as the output"},
      {u"", Path("o.mp3"), 3, u"The input file is empty "},
      {in, u"", 4, u"The outputfile file is empty "},
      {Path("missing.wav"), Path("o.mp3"), 5, u"The input file or path is invalid"},
  };
  Variant v;
  for (const Case& c : cases) {
    sink->heard.clear();
    ASSERT_EQ(control->MP3Encode(c.in, c.out, 128, u"joint", u"normal", 0, 320, &v), S_OK);
    ASSERT_EQ(sink->heard.size(), 1u);
    EXPECT_EQ(sink->heard[0].number, c.number);
    EXPECT_EQ(sink->heard[0].text, c.text);
  }
  for (int32_t level : {0, 4}) {
    sink->heard.clear();
    ASSERT_EQ(control->SelectProcessPriority(level, &v), S_OK);
    ASSERT_EQ(sink->heard.size(), 1u);
    EXPECT_EQ(sink->heard[0].number, 12);
    EXPECT_EQ(sink->heard[0].text, u"Invalid priority level");
  }
  sink->heard.clear();
  EXPECT_EQ(control->SelectProcessPriority(2, &v), S_OK);
  EXPECT_TRUE(sink->heard.empty());
  EXPECT_FALSE(Exists(dir_ / "o.mp3"));
}

TEST_F(EncodeTest, JobResultsArriveWithTheirTexts) {
  ComPtr<_TolvoEncode> control = Create();
  EventSink* sink = Connect(control);
  const std::u16string in = Wav("in.wav", 0.2);
  WriteFile(dir_ / "plain-file", Bytes{1});

  Start(control, in, Path("rate.mp3"), 100);
  ExpectEnd(sink, 108, u"Invalid bitrate value ");

  Start(control, in, Path("sub/"));
  ExpectEnd(sink, 110, u"Destination filename is missing");

  Start(control, in, Path("plain-file/sub/out.mp3"));
  ExpectEnd(sink, 111, u"Cannot create destination folder");
}

TEST_F(EncodeTest, CancelStopsTheJobAndTheNextTickReportsUserAbort) {
  ComPtr<_TolvoEncode> control = Create();
  EventSink* sink = Connect(control);
  StartPaused(control, "cancelled.mp3");
  Variant v;
  ASSERT_EQ(control->MP3EncodeCancel(&v), S_OK);  // returns once the job has stopped
  EXPECT_TRUE(sink->heard.empty());
  ExpectEnd(sink, 112, u"User abort");
  EXPECT_TRUE(Exists(dir_ / "cancelled.mp3"));

  // Cancel while idle returns at once and raises nothing.
  sink->heard.clear();
  ASSERT_EQ(control->MP3EncodeCancel(&v), S_OK);
  RunLoopUntil([] { return false; }, 400);
  EXPECT_TRUE(sink->heard.empty());
}

TEST_F(EncodeTest, TwoControlsShareOneJobAndTheSecondGetsAlreadyExecuting) {
  ComPtr<_TolvoEncode> first = Create();
  ComPtr<_TolvoEncode> second = Create();
  EventSink* firstSink = Connect(first);
  EventSink* secondSink = Connect(second);
  StartPaused(first, "first.mp3");

  Variant v;
  ASSERT_EQ(second->MP3Encode(Wav("other.wav", 0.1), Path("second.mp3"), 128, u"joint", u"normal",
                              0, 320, &v),
            S_OK);
  ASSERT_EQ(secondSink->heard.size(), 1u);
  EXPECT_EQ(secondSink->heard[0].number, 9);
  EXPECT_EQ(secondSink->heard[0].text,
            u"Already executing , wait for the end or call the cancel function");

  ASSERT_EQ(second->MP3EncodeResume(&v), S_OK);  // any control steers the one job
  ExpectEnd(firstSink, 0, u"No error ");
  EXPECT_FALSE(Exists(dir_ / "second.mp3"));
}

TEST_F(EncodeTest, DestroyingAnEncodingControlStopsTheJobAndRaisesNothing) {
  ComPtr<_TolvoEncode> bystander = Create();  // loads the engine, so it stays loaded
  ComPtr<_TolvoEncode> idle = Create();       // never talks to the engine
  EventSink* bystanderSink = Connect(bystander);
  Variant v;
  ASSERT_EQ(bystander->SelectProcessPriority(2, &v), S_OK);

  ComPtr<_TolvoEncode> encoding = Create();
  EventSink* encodingSink = Connect(encoding);
  StartPaused(encoding, "destroyed.mp3");
  encoding.Reset();  // returns after the job has stopped
  RunLoopUntil([] { return false; }, 600);
  EXPECT_TRUE(encodingSink->heard.empty());

  // The engine is idle again: a new job starts at once.
  Start(bystander, Wav("next.wav", 8), Path("next.mp3"));
  EXPECT_TRUE(bystanderSink->heard.empty());
  // A control that never loaded the engine leaves the running job alone when it goes.
  idle.Reset();
  ExpectEnd(bystanderSink, 0, u"No error ");
  EXPECT_NEAR(DecodedSeconds(dir_ / "next.mp3"), 8.0, 0.05);
}

}  // namespace
}  // namespace tolvo::test
