// The about box: a small modal window with the product's title, the maker, two links (web page and
// mail), a description and an Exit button. Windowed through GTK when a display is available,
// otherwise printed to standard error.
#pragma once

#include <string>

namespace tolvo::platform {

struct AboutBoxContent {
  std::string caption;               // window title, set when the box loads
  std::string makerName;             // Label1
  std::string webAddress;            // Label2, opened with the shell on a click
  std::string contactAddress;        // Label4, opened as "mailto:" + address on a click
  std::string description;           // Text1
  std::string exitCaption = "Exit";  // Command1
};

// Shows the box modally on a nested main loop of the calling thread (so timers of that thread go
// on firing) and returns when it has been closed.
void ShowAboutBox(const AboutBoxContent& content);

// Opens a web address or a "mailto:" address with the desktop's handler (xdg-open, detached);
// the outcome is ignored. When the environment variable TOLVO_SHELL_OPEN_RECORD names a file,
// nothing is started: the target is appended to that file as one line (used by tests).
void ShellOpen(const std::string& target);

}  // namespace tolvo::platform
