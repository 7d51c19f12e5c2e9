// The windowed message box: caption, text, OK (and Cancel), no owner window.
#pragma once

#include "tolvo/platform/ui_module_abi.h"

namespace tolvo::ui {

// Shows the box modally and returns kTolvoUiOk or kTolvoUiCancel (closing the window any other
// way than with OK counts as Cancel). Call only where GTK may be used.
int RunMessageDialog(const TolvoUiMessageRequest& request);

}  // namespace tolvo::ui
