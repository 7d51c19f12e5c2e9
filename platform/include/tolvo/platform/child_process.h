// Starting a helper program whose standard output (and standard error, unless it keeps the
// caller's) comes back through a pipe, optionally feeding its standard input through another,
// reading that pipe, interrupting the program, and asking for its exit without blocking. The one
// way the system starts other programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tolvo::platform {

enum class ExitPoll {
  kRunning,  // the program has not ended yet
  kExited,   // ended; the exit code is known
  kFailed,   // the question could not be answered (no such child, already reaped elsewhere)
};

// Where the started program's standard error goes.
enum class ChildErrors {
  kIntoPipe,   // the same pipe as its standard output
  kInherited,  // the caller's standard error
};

// Where the started program's standard input comes from.
enum class ChildInput {
  kNothing,  // /dev/null
  kPipe,     // a pipe whose write end the caller keeps (WriteInput, CloseInput)
};

// A started program with one owner. The destructor closes the read end of the pipe and, when the
// program has not been reaped yet, waits for it so that no zombie is left behind.
class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ~ChildProcess();

  // Starts arguments[0] (a path, no search) with the given argument vector, the caller's
  // environment and current folder; standard input reads /dev/null (or, with kPipe, a pipe that
  // only this object can write), standard output (and standard error with kIntoPipe) goes into
  // one pipe whose read end this object keeps. Only the child holds the write end afterwards, so
  // the pipe ends when the program (and anything it started) has ended. No other program started
  // later inherits either pipe. On failure the result is not started and *error (when given)
  // holds errno.
  static ChildProcess Start(const std::vector<std::string>& arguments, int* error = nullptr,
                            ChildErrors errors = ChildErrors::kIntoPipe,
                            ChildInput input = ChildInput::kNothing);

  bool IsStarted() const { return pid_ > 0; }

  // The read end of the pipe, for a loop to watch; -1 once closed.
  int OutputDescriptor() const { return readFd_; }

  // A descriptor that becomes readable when the program ends, for a loop to watch instead of
  // asking PollExit at intervals; -1 where the system offers none (or once reaped).
  int ExitDescriptor() const { return exitFd_; }

  // One read of the pipe: the bytes read, 0 at the end of the pipe, -errno on an error.
  // Interrupted reads are retried.
  int64_t ReadOutput(void* buffer, size_t count);
  // Closes the read end now (also done by the destructor).
  void CloseOutput();

  // Writes all of `count` bytes to the program's standard input (started with kPipe); false when
  // the pipe is closed or the program no longer reads it. Blocks while the pipe is full. The
  // caller ignores SIGPIPE, or a program that has ended takes the caller with it.
  bool WriteInput(const void* bytes, size_t count);
  // Closes the program's standard input, which it reads as its end (also done by the destructor,
  // before it waits for the program).
  void CloseInput();

  // Asks once, without waiting, whether the program has ended. A program ended by a signal
  // reports 128 plus the signal number, as shells do.
  ExitPoll PollExit(int32_t* exitCode);

  // Sends the program the interrupt signal a Ctrl-C on its terminal would; false when it has
  // been reaped already or the signal could not be sent.
  bool Interrupt();

 private:
  void Reap();

  int pid_ = -1;
  int readFd_ = -1;
  int inputFd_ = -1;
  int exitFd_ = -1;
  bool reaped_ = false;
};

// The id of the calling process.
int32_t CurrentProcessId();

}  // namespace tolvo::platform
