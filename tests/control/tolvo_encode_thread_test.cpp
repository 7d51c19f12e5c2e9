// Controls on worker threads, each in its own apartment: every control ticks and raises its events
// on its own thread only, and a call from another thread is refused with an error object.
#include <atomic>

#include "tolvo/runtime/apartment.h"
#include "tolvo_encode_test_host.h"

namespace tolvo::test {
namespace {

using namespace control;

// Runs `body` on a new thread inside an apartment of its own.
template <class Body>
std::thread InApartment(Body body) {
  return std::thread([body] {
    EXPECT_EQ(EnterApartment(), S_OK);
    body();
    LeaveApartment();
  });
}

void WaitFor(const std::atomic<bool>& flag) {
  while (!flag.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Runs this thread's loop until another thread sets `flag` (nothing wakes the loop for it, so it
// runs in short slices).
bool RunLoopUntilSet(const std::atomic<bool>& flag) {
  for (int slice = 0; slice < 1500 && !flag.load(); ++slice) RunLoopUntil([] { return false; }, 20);
  return flag.load();
}

class ThreadTest : public ControlHostTest {};

TEST_F(ThreadTest, TwoControlsOnTwoThreadsHearOnlyTheirOwnEvents) {
  std::atomic<bool> firstPaused{false}, secondAsked{false}, firstEnded{false}, secondEnded{false},
      crossCallDone{false};
  std::atomic<_TolvoEncode*> firstControl{nullptr};
  std::thread::id firstThread, secondThread;
  EventSink* firstSink = nullptr;
  EventSink* secondSink = nullptr;
  size_t secondHeardBeforeItsJob = 0;
  const std::u16string longWav = Wav("long.wav", 8), shortWav = Wav("short.wav", 0.5);
  Variant v;

  std::thread first = InApartment([&] {
    firstThread = std::this_thread::get_id();
    ComPtr<_TolvoEncode> control = Create();
    firstSink = Connect(control);
    ASSERT_EQ(control->MP3Encode(longWav, Path("first.mp3"), 128, u"joint", u"normal", 0, 320, &v),
              S_OK);
    ASSERT_EQ(control->MP3EncodePause(&v), S_OK);  // the job stays running for the other thread
    firstControl = control.get();
    firstPaused = true;
    WaitFor(secondAsked);
    WaitFor(crossCallDone);
    ASSERT_EQ(control->MP3EncodeResume(&v), S_OK);
    EXPECT_TRUE(WaitForEnd(firstSink));
    firstEnded = true;
    // The loop goes on while the other control encodes: nothing of its job arrives here.
    EXPECT_TRUE(RunLoopUntilSet(secondEnded));
    RunLoopUntil([] { return false; }, 300);
  });

  std::thread second = InApartment([&] {
    secondThread = std::this_thread::get_id();
    WaitFor(firstPaused);
    ComPtr<_TolvoEncode> control = Create();
    secondSink = Connect(control);
    Variant result;
    ASSERT_EQ(control->Generate_ID3v1Genre(&result), S_OK);
    ASSERT_EQ(control->MP3Encode(shortWav, Path("refused.mp3"), 128, u"joint", u"normal", 0, 320,
                                 &result),
              S_OK);  // the one engine is busy with the other control's job: 9
    secondAsked = true;
    // The first job's ticks never come here, however long this loop runs.
    EXPECT_TRUE(RunLoopUntilSet(firstEnded));
    secondHeardBeforeItsJob = secondSink->heard.size();
    ASSERT_EQ(
        control->MP3Encode(shortWav, Path("second.mp3"), 128, u"joint", u"normal", 0, 320, &result),
        S_OK);
    EXPECT_TRUE(WaitForEnd(secondSink));
    secondEnded = true;
  });

  // A call from this thread into the first thread's control is refused and leaves its job alone.
  WaitFor(firstPaused);
  ClearErrorInfo();
  EXPECT_EQ(firstControl.load()->MP3EncodeCancel(&v), RPC_E_WRONG_THREAD);
  std::optional<ErrorInfo> info = GetErrorInfo();
  ASSERT_TRUE(info);
  EXPECT_EQ(info->description.rfind(u"The TolvoEncode control belongs to the thread", 0), 0u);
  crossCallDone = true;
  first.join();
  second.join();

  auto heardOnlyOn = [](const EventSink* sink, std::thread::id thread) {
    for (const Heard& h : sink->heard) {
      if (h.thread != thread) return false;
    }
    return true;
  };
  ASSERT_TRUE(firstSink && secondSink);
  EXPECT_TRUE(heardOnlyOn(firstSink, firstThread));
  EXPECT_TRUE(heardOnlyOn(secondSink, secondThread));
  EXPECT_TRUE(firstSink->Of(kDispidID3v1GenreList).empty());
  // The first control: its progress, then exactly one end, the successful one.
  ASSERT_EQ(firstSink->Of(kDispidFinished).size(), 1u);
  EXPECT_EQ(firstSink->Of(kDispidErrorCode).at(0).number, 0);
  EXPECT_EQ(firstSink->heard.back().number, 100);
  // The second control: the genre list and its refusal, nothing while the first job ran, then
  // its own job's end.
  EXPECT_EQ(secondSink->Of(kDispidID3v1GenreList).size(), 150u);
  EXPECT_EQ(secondHeardBeforeItsJob, 151u);
  const std::vector<Heard> errors = secondSink->Of(kDispidErrorCode);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].number, 9);
  EXPECT_EQ(errors[1].number, 0);
  EXPECT_EQ(secondSink->Of(kDispidFinished).size(), 1u);
  EXPECT_NEAR(DecodedSeconds(dir_ / "first.mp3"), 8.0, 0.05);
  EXPECT_NEAR(DecodedSeconds(dir_ / "second.mp3"), 0.5, 0.05);
  EXPECT_FALSE(Exists(dir_ / "refused.mp3"));
}

}  // namespace
}  // namespace tolvo::test
