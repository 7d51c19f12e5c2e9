// Finding the GTK module at run time. The module is used only when a display is configured
// ($DISPLAY or $WAYLAND_DISPLAY) and it can open it; otherwise callers fall back to text.
#pragma once

#include "tolvo/platform/ui_module_abi.h"

namespace tolvo::platform {

struct UiModule {
  TolvoUiMessageBoxFunction showMessageBox;
  TolvoUiAboutBoxFunction showAboutBox;
};

// The loaded module, or null when there is no display or the module cannot be loaded or cannot
// open the display. The module is looked for beside the module holding this code, beside the
// program, in the program's ../lib/tolvo, and finally by bare name. Once loaded it stays loaded
// for the life of the process (GTK cannot be unloaded).
const UiModule* UiModuleForDisplay();

}  // namespace tolvo::platform
