// The message box: a GTK dialog through the UI module when a display is available, otherwise the
// text fallback (caption and text on standard error, and since no one can answer, OK).
#include <cstdio>

#include "tolvo/platform/message_box.h"
#include "tolvo/platform/ui_module.h"

namespace tolvo::platform {
namespace {

MessageAnswer ShowAsText(const MessageBoxRequest& request) {
  std::string line = request.caption + ": " + request.text;
  if (line.empty() || line.back() != '\n') line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  return MessageAnswer::kOk;
}

}  // namespace

MessageAnswer ShowMessageBox(const MessageBoxRequest& request) {
  if (const UiModule* ui = UiModuleForDisplay()) {
    const TolvoUiMessageRequest windowed{request.caption.c_str(), request.text.c_str(),
                                         request.buttons == MessageButtons::kOkCancel ? 1 : 0,
                                         request.topmost ? 1 : 0};
    switch (ui->showMessageBox(&windowed)) {
      case kTolvoUiOk:
        return MessageAnswer::kOk;
      case kTolvoUiCancel:
        return MessageAnswer::kCancel;
      default:
        break;  // not shown: answer through text
    }
  }
  return ShowAsText(request);
}

}  // namespace tolvo::platform
