// The apartment's message loop: timers ticking on the loop and inside a nested modal loop, and
// the ways a loop run ends.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "tolvo/runtime/message_loop.h"

namespace tolvo::runtime {
namespace {

constexpr int kPatienceMs = 5000;  // only bounds a failing test; passing runs take milliseconds

TEST(TimerTicks, OnlyWhileEnabledAndWhileTheLoopRuns) {
  int ticks = 0;
  Timer timer(10, [&] { ++ticks; });
  EXPECT_FALSE(timer.IsEnabled());
  EXPECT_EQ(timer.IntervalMs(), 10u);
  EXPECT_FALSE(RunLoopUntil([&] { return ticks > 0; }, 60));  // created disabled

  timer.Enable();
  EXPECT_TRUE(timer.IsEnabled());
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  EXPECT_EQ(ticks, 0);  // nothing happens without the loop
  EXPECT_TRUE(RunLoopUntil([&] { return ticks >= 3; }, kPatienceMs));

  timer.Disable();
  EXPECT_FALSE(timer.IsEnabled());
  int seen = ticks;
  RunLoopUntil([] { return false; }, 50);
  EXPECT_EQ(ticks, seen);
}

TEST(TimerTicks, ProcessPendingEventsDispatchesWhatIsDue) {
  int ticks = 0;
  Timer timer(1, [&] { ++ticks; });
  timer.Enable();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ProcessPendingEvents();
  EXPECT_GE(ticks, 1);
}

TEST(TimerTicks, ATickMayDisableAndReEnableItsOwnTimer) {
  int ticks = 0;
  std::unique_ptr<Timer> timer;
  timer = std::make_unique<Timer>(5, [&] {
    ++ticks;
    timer->Disable();
    if (ticks < 3) timer->Enable();
  });
  timer->Enable();
  EXPECT_TRUE(RunLoopUntil([&] { return ticks >= 3; }, kPatienceMs));
  EXPECT_FALSE(timer->IsEnabled());
  RunLoopUntil([] { return false; }, 40);
  EXPECT_EQ(ticks, 3);
}

TEST(TimerTicks, ATickMayDestroyItsOwnTimer) {
  int ticks = 0;
  std::unique_ptr<Timer> timer;
  timer = std::make_unique<Timer>(5, [&] {
    ++ticks;
    timer.reset();
  });
  timer->Enable();
  EXPECT_TRUE(RunLoopUntil([&] { return timer == nullptr; }, kPatienceMs));
  RunLoopUntil([] { return false; }, 30);
  EXPECT_EQ(ticks, 1);
}

TEST(NestedLoop, TicksGoOnWhileAModalBoxIsOpen) {
  // A one-shot timer plays the host's call that opens the box; the polling timer must keep
  // ticking inside the box's nested loop until the box closes.
  ModalLoop box;
  int pollTicks = 0, ticksInsideBox = 0;
  bool boxClosed = false;
  Timer poll(5, [&] {
    ++pollTicks;
    if (box.IsRunning()) ++ticksInsideBox;
    if (ticksInsideBox == 3) box.Quit();
  });
  std::unique_ptr<Timer> opener;
  opener = std::make_unique<Timer>(1, [&] {
    opener->Disable();
    poll.Enable();
    box.Run();
    boxClosed = true;
  });
  opener->Enable();
  EXPECT_TRUE(RunLoopUntil([&] { return boxClosed; }, kPatienceMs));
  EXPECT_EQ(ticksInsideBox, 3);
  EXPECT_FALSE(box.IsRunning());
}

TEST(NestedLoop, ATickThatOpensABoxIsNotReEnteredByItsOwnTimer) {
  ModalLoop box;
  int pollTicks = 0, otherTicks = 0;
  bool done = false;
  Timer other(5, [&] {
    if (++otherTicks == 4) box.Quit();
  });
  Timer poll(5, [&] {
    if (++pollTicks > 1) return;
    other.Enable();
    box.Run();  // e.g. a handler of an event raised by the tick shows a modal box
    done = true;
  });
  poll.Enable();
  EXPECT_TRUE(RunLoopUntil([&] { return done; }, kPatienceMs));
  EXPECT_EQ(otherTicks, 4);
  EXPECT_EQ(pollTicks, 1);
}

TEST(NestedLoop, QuitBeforeRunAndQuitFromAnotherThread) {
  ModalLoop box;
  box.Quit();
  box.Run();  // returns at once
  EXPECT_FALSE(box.IsRunning());

  std::atomic<bool> started{false};
  Timer marker(1, [&] { started = true; });
  marker.Enable();
  std::thread closer([&] {
    while (!started.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    box.Quit();
  });
  box.Run();
  closer.join();
  EXPECT_TRUE(started.load());
}

TEST(LoopRun, EndsAtItsTimeoutWhenThePredicateNeverHolds) {
  EXPECT_FALSE(RunLoopUntil([] { return false; }, 20));
  EXPECT_TRUE(RunLoopUntil([] { return true; }, 0));
}

}  // namespace
}  // namespace tolvo::runtime
