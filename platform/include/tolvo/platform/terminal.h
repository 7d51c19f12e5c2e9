// Questions about the terminal a program runs on: whether a standard stream is a terminal (so a
// progress bar may redraw itself in place) and how many columns it has.
#pragma once

namespace tolvo::platform {

enum class StandardStream { kInput = 0, kOutput = 1, kError = 2 };

bool IsTerminal(StandardStream stream);

// Width of the terminal behind `stream` in columns; 0 when it is not a terminal or cannot be told.
int TerminalColumns(StandardStream stream);

}  // namespace tolvo::platform
