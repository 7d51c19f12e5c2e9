// The text fallback of the message box: caption and text go to standard error, and since no one
// can answer, the answer is OK.
#include <cstdio>

#include "tolvo/platform/message_box.h"

namespace tolvo::platform {

MessageAnswer ShowMessageBox(const MessageBoxRequest& request) {
  std::string line = request.caption + ": " + request.text;
  if (line.empty() || line.back() != '\n') line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return MessageAnswer::kOk;
}

}  // namespace tolvo::platform
