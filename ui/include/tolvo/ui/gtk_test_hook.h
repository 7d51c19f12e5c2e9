// A hook for tests of the GTK module: called on the GTK thread once a box (message or about) is on
// screen, with its toplevel GtkWindow, so a test can inspect the widget tree and click in it.
#pragma once

extern "C" {

// `window` is the GtkWindow*; `kind` is "message" or "about".
typedef void (*TolvoUiShownHook)(void* window, const char* kind, void* user);

// Installs the hook (null removes it). Not for production use.
__attribute__((visibility("default"))) void tolvo_ui_set_shown_hook(TolvoUiShownHook hook,
                                                                    void* user);

}  // extern "C"
