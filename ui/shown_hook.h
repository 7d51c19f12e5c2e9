// Tells an installed test hook that a box is on screen, once its window has been mapped.
#pragma once

#include <gtk/gtk.h>

namespace tolvo::ui {

// Arranges for the hook (if any) to be called from `context` after `window` is first mapped.
void NotifyWhenShown(GtkWidget* window, const char* kind, GMainContext* context);

}  // namespace tolvo::ui
