// A message box that asks the user a question. This build answers through standard error (the
// text fallback); a windowed implementation can replace it behind the same call.
#pragma once

#include <string>

namespace tolvo::platform {

enum class MessageButtons { kOk, kOkCancel };
enum class MessageAnswer { kOk, kCancel };

struct MessageBoxRequest {
  std::string caption;
  std::string text;
  MessageButtons buttons = MessageButtons::kOkCancel;
  bool topmost = true;  // above every other window, with no owner window
};

// Shows the box and waits for the answer. Without anyone to ask, the text is printed to
// standard error and the answer is kOk.
MessageAnswer ShowMessageBox(const MessageBoxRequest& request);

}  // namespace tolvo::platform
