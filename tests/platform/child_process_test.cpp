// Started programs: where their standard error goes, what feeds their standard input, the
// interrupt signal, and the pipe's end.
#include "tolvo/platform/child_process.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <thread>

namespace tolvo::test {
namespace {

using platform::ChildErrors;
using platform::ChildInput;
using platform::ChildProcess;
using platform::ExitPoll;

std::string ReadAll(ChildProcess& child) {
  std::string text;
  char buffer[256];
  for (int64_t got; (got = child.ReadOutput(buffer, sizeof buffer)) > 0;) {
    text.append(buffer, static_cast<size_t>(got));
  }
  return text;
}

int32_t WaitForExit(ChildProcess& child) {
  int32_t code = -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  ExitPoll poll;
  while ((poll = child.PollExit(&code)) == ExitPoll::kRunning &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(poll, ExitPoll::kExited);
  return code;
}

TEST(ChildProcess, StandardErrorGoesIntoThePipeOrStaysTheCallers) {
  const std::vector<std::string> script = {"/bin/sh", "-c", "echo out; echo err >&2; exit 3"};
  ChildProcess both = ChildProcess::Start(script);
  ASSERT_TRUE(both.IsStarted());
  EXPECT_EQ(ReadAll(both), "out\nerr\n");
  EXPECT_EQ(WaitForExit(both), 3);

  testing::internal::CaptureStderr();
  ChildProcess outOnly = ChildProcess::Start(script, nullptr, ChildErrors::kInherited);
  ASSERT_TRUE(outOnly.IsStarted());
  EXPECT_GE(outOnly.OutputDescriptor(), 3);
  EXPECT_EQ(ReadAll(outOnly), "out\n");
  EXPECT_EQ(WaitForExit(outOnly), 3);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "err\n");
}

// A program fed through the input pipe reads what was written and sees its end when the pipe is
// closed, even while a second program started afterwards still runs (it must not hold a copy of
// the first one's write end). Without the pipe, standard input is empty.
TEST(ChildProcess, InputPipeFeedsTheProgramAndEndsWhenClosed) {
  ChildProcess cat =
      ChildProcess::Start({"/bin/cat"}, nullptr, ChildErrors::kIntoPipe, ChildInput::kPipe);
  ASSERT_TRUE(cat.IsStarted());
  ChildProcess sleeper =
      ChildProcess::Start({"/bin/sleep", "30"}, nullptr, ChildErrors::kIntoPipe, ChildInput::kPipe);
  ASSERT_TRUE(sleeper.IsStarted());
  const std::string job("first\0second\n", 13);
  EXPECT_TRUE(cat.WriteInput(job.data(), job.size()));
  cat.CloseInput();
  EXPECT_FALSE(cat.WriteInput("x", 1)) << "written after the pipe was closed";
  EXPECT_EQ(ReadAll(cat), job);
  EXPECT_EQ(WaitForExit(cat), 0);
  EXPECT_TRUE(sleeper.Interrupt());
  EXPECT_EQ(WaitForExit(sleeper), 128 + 2);

  ChildProcess empty = ChildProcess::Start({"/bin/cat"});
  ASSERT_TRUE(empty.IsStarted());
  EXPECT_EQ(ReadAll(empty), "");
  EXPECT_EQ(WaitForExit(empty), 0);
}

TEST(ChildProcess, InterruptEndsTheProgramAsACtrlCWould) {
  ChildProcess child = ChildProcess::Start({"/bin/sleep", "30"});
  ASSERT_TRUE(child.IsStarted());
  EXPECT_TRUE(child.Interrupt());
  EXPECT_EQ(ReadAll(child), "");
  EXPECT_EQ(WaitForExit(child), 128 + 2);
  EXPECT_FALSE(child.Interrupt());  // reaped: nothing is left to signal

  int error = 0;
  EXPECT_FALSE(ChildProcess::Start({"/nonexistent/program"}, &error).IsStarted());
  EXPECT_NE(error, 0);
}

// The exit descriptor lets a loop wake at the end of the program instead of asking at intervals:
// silent while it runs, readable once it has ended, and its exit is then there to collect.
TEST(ChildProcess, ExitDescriptorBecomesReadableWhenTheProgramEnds) {
  ChildProcess child = ChildProcess::Start({"/bin/sleep", "30"});
  ASSERT_TRUE(child.IsStarted());
  const int fd = child.ExitDescriptor();
  if (fd < 0) GTEST_SKIP() << "this kernel gives no process descriptors";
  pollfd watch{fd, POLLIN, 0};
  EXPECT_EQ(::poll(&watch, 1, 100), 0) << "readable while the program still runs";
  EXPECT_TRUE(child.Interrupt());
  ASSERT_EQ(::poll(&watch, 1, 20000), 1);
  int32_t code = -1;
  EXPECT_EQ(child.PollExit(&code), ExitPoll::kExited);
  EXPECT_EQ(code, 128 + 2);
}

}  // namespace
}  // namespace tolvo::test
