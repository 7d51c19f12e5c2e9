// The C entry points of libtolvoui-gtk.so that the platform layer resolves at run time.
#include <gtk/gtk.h>

#include <mutex>

#include "about_form.h"
#include "gtk_thread.h"
#include "message_dialog.h"
#include "tolvo/platform/ui_module_abi.h"

#define TOLVO_UI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// How long the about box waits for another thread to let go of GTK's context.
constexpr int kAboutOwnershipWaitMs = 3000;

}  // namespace

TOLVO_UI_EXPORT int tolvo_ui_abi_version(void) { return tolvo::platform::kUiModuleAbiVersion; }

TOLVO_UI_EXPORT int tolvo_ui_init(void) {
  static std::once_flag once;
  static bool opened = false;
  std::call_once(once, [] {
    // The host's locale stays as it is: GTK would otherwise switch the process to the user's
    // locale, and with it how numbers are printed and parsed.
    gtk_disable_setlocale();
    opened = gtk_init_check(nullptr, nullptr);
  });
  return opened ? 1 : 0;
}

TOLVO_UI_EXPORT int tolvo_ui_message_box(const TolvoUiMessageRequest* request) {
  if (!request || tolvo_ui_init() != 1) return kTolvoUiNotShown;
  const TolvoUiMessageRequest copy = *request;
  return tolvo::ui::RunWhereGtkLives([&copy] { return tolvo::ui::RunMessageDialog(copy); },
                                     kTolvoUiNotShown);
}

TOLVO_UI_EXPORT int tolvo_ui_about_box(const TolvoUiAboutRequest* request) {
  if (!request || tolvo_ui_init() != 1) return 0;
  // The box runs on the calling thread (its timers must go on), which therefore takes GTK's
  // context.
  tolvo::ui::GtkContextOwnership ownership(kAboutOwnershipWaitMs);
  if (!ownership.owned()) return 0;
  tolvo::ui::RunAboutForm(*request);
  return 1;
}
