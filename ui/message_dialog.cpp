// A GtkMessageDialog on a nested loop of GTK's context.
#include "message_dialog.h"

#include <gtk/gtk.h>

#include "gtk_thread.h"
#include "shown_hook.h"

namespace tolvo::ui {
namespace {

struct DialogState {
  int answer = kTolvoUiCancel;
  bool closed = false;
};

void OnResponse(GtkDialog* dialog, gint response, gpointer data) {
  auto* state = static_cast<DialogState*>(data);
  state->answer = response == GTK_RESPONSE_OK ? kTolvoUiOk : kTolvoUiCancel;
  gtk_widget_destroy(GTK_WIDGET(dialog));
}

void OnDestroy(GtkWidget*, gpointer data) { static_cast<DialogState*>(data)->closed = true; }

}  // namespace

int RunMessageDialog(const TolvoUiMessageRequest& request) {
  DialogState state;
  GtkWidget* dialog =
      gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                             request.withCancel ? GTK_BUTTONS_OK_CANCEL : GTK_BUTTONS_OK, "%s",
                             request.text ? request.text : "");
  gtk_window_set_title(GTK_WINDOW(dialog), request.caption ? request.caption : "");
  gtk_window_set_keep_above(GTK_WINDOW(dialog), request.topmost != 0);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  g_signal_connect(dialog, "response", G_CALLBACK(OnResponse), &state);
  g_signal_connect(dialog, "destroy", G_CALLBACK(OnDestroy), &state);
  GMainContext* gtkContext = g_main_context_default();
  NotifyWhenShown(dialog, "message", gtkContext);
  gtk_window_present(GTK_WINDOW(dialog));
  RunNestedLoopUntil(gtkContext, &state.closed);
  return state.answer;
}

}  // namespace tolvo::ui
