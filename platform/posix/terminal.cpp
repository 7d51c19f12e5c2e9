// isatty and TIOCGWINSZ behind the terminal questions of terminal.h.
#include "tolvo/platform/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

namespace tolvo::platform {

bool IsTerminal(StandardStream stream) { return ::isatty(static_cast<int>(stream)) == 1; }

int TerminalColumns(StandardStream stream) {
  struct winsize size {};
  if (::ioctl(static_cast<int>(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

}  // namespace tolvo::platform
