// sigaction behind signals.h.
#include "tolvo/platform/signals.h"

#include <csignal>

namespace tolvo::platform {
namespace {

// Written only by the handler; the one word a signal handler may share.
volatile std::sig_atomic_t interruptNoted = 0;
struct sigaction interruptBefore {};

void NoteInterrupt(int) { interruptNoted = 1; }

}  // namespace

void IgnoreBrokenPipe() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGPIPE, &action, nullptr);
}

InterruptNote::InterruptNote() {
  interruptNoted = 0;
  struct sigaction action {};
  action.sa_handler = NoteInterrupt;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, &interruptBefore);
}

InterruptNote::~InterruptNote() { ::sigaction(SIGINT, &interruptBefore, nullptr); }

bool InterruptNote::Noted() const { return interruptNoted != 0; }

}  // namespace tolvo::platform
