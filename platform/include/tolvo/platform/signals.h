// Signal dispositions a command-line program sets for itself.
#pragma once

namespace tolvo::platform {

// A write to a pipe whose reader has gone then fails with EPIPE instead of ending the process, so
// the program can clean up and say what happened.
void IgnoreBrokenPipe();

// While an InterruptNote exists, SIGINT (Ctrl-C) does not end the process: it is noted, and
// reads and writes in progress go on. For work outside a main loop that must clean up after
// itself before it stops. The disposition before is restored at the end. One at a time.
class InterruptNote {
 public:
  InterruptNote();
  ~InterruptNote();
  InterruptNote(const InterruptNote&) = delete;
  InterruptNote& operator=(const InterruptNote&) = delete;

  bool Noted() const;
};

}  // namespace tolvo::platform
