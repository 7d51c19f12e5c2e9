// Builds Form1 on a GtkFixed with the widget names the form uses, wires the link labels and the
// Exit button, and runs it on a nested loop so that the thread's timers go on ticking.
#include "about_form.h"

#include <gtk/gtk.h>

#include <memory>
#include <mutex>
#include <string>

#include "gtk_thread.h"
#include "shown_hook.h"

namespace tolvo::ui {
namespace {

constexpr double kTitleFontPoints = 13.5;
constexpr double kBodyFontPoints = 8.25;

// Fonts of the text box and the button, and a button that keeps the form's small height.
constexpr const char* kFormCss =
    "#Form1 #Text1 text, #Form1 #Text1 textview, #Form1 #Command1 label"
    " { font-family: Sans; font-size: 8.25pt; }\n"
    "#Form1 #Command1 { min-height: 0; min-width: 0; padding: 0 4px; }\n";

struct Placement {
  const char* name;
  int left, top, width, height;  // twips
};

constexpr Placement kLabel1{"Label1", 480, 240, 3855, 375};
constexpr Placement kLabel2{"Label2", 1560, 720, 3015, 255};
constexpr Placement kLabel4{"Label4", 1320, 960, 3255, 255};
constexpr Placement kText1{"Text1", 480, 1680, 3855, 1455};
constexpr Placement kCommand1{"Command1", 3000, 3720, 1335, 375};
constexpr int kClientWidth = 4860;
constexpr int kClientHeight = 4365;

struct AboutForm {
  std::string caption, webAddress, mailTarget;
  TolvoUiShellOpenFunction shellOpen = nullptr;
  GtkWidget* window = nullptr;
  bool closed = false;
};

// The thread's open form, if any.
thread_local std::shared_ptr<AboutForm> openForm;

void InstallFormCssOnce() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kFormCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
  });
}

void Place(GtkFixed* fixed, GtkWidget* widget, const Placement& at) {
  gtk_widget_set_name(widget, at.name);
  gtk_widget_set_size_request(widget, TwipsToPixels(at.width), TwipsToPixels(at.height));
  gtk_fixed_put(fixed, widget, TwipsToPixels(at.left), TwipsToPixels(at.top));
}

GtkWidget* NewLabel(const char* text, double points, bool underlined) {
  GtkWidget* label = gtk_label_new(text);
  PangoAttrList* attributes = pango_attr_list_new();
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, "Sans");
  pango_font_description_set_size(font, static_cast<gint>(points * PANGO_SCALE));
  pango_attr_list_insert(attributes, pango_attr_font_desc_new(font));
  pango_font_description_free(font);
  if (underlined)
    pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  gtk_label_set_attributes(GTK_LABEL(label), attributes);
  pango_attr_list_unref(attributes);
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);  // never wider than its place
  return label;
}

// The form's caption is set when it loads, as the form does in its load step.
void OnRealize(GtkWidget* window, gpointer data) {
  gtk_window_set_title(GTK_WINDOW(window), static_cast<AboutForm*>(data)->caption.c_str());
}

void ShowHandCursor(GtkWidget* widget, gpointer) {
  GdkCursor* hand = gdk_cursor_new_from_name(gtk_widget_get_display(widget), "pointer");
  if (!hand) return;
  gdk_window_set_cursor(gtk_widget_get_window(widget), hand);
  g_object_unref(hand);
}

// A click is a release of the first button inside the label's area.
bool IsClick(GtkWidget* widget, const GdkEventButton* event) {
  if (event->button != GDK_BUTTON_PRIMARY) return false;
  GtkAllocation area;
  gtk_widget_get_allocation(widget, &area);
  return event->x >= 0 && event->y >= 0 && event->x < area.width && event->y < area.height;
}

gboolean OnWebLinkRelease(GtkWidget* widget, GdkEventButton* event, gpointer data) {
  auto* form = static_cast<AboutForm*>(data);
  if (IsClick(widget, event) && form->shellOpen) form->shellOpen(form->webAddress.c_str());
  return TRUE;
}

gboolean OnMailLinkRelease(GtkWidget* widget, GdkEventButton* event, gpointer data) {
  auto* form = static_cast<AboutForm*>(data);
  if (IsClick(widget, event) && form->shellOpen) form->shellOpen(form->mailTarget.c_str());
  return TRUE;
}

// A label that takes clicks: the label inside an event box that carries the form's name.
GtkWidget* NewLinkLabel(const char* text, GCallback onRelease, AboutForm* form) {
  GtkWidget* box = gtk_event_box_new();
  gtk_widget_add_events(box, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
  gtk_container_add(GTK_CONTAINER(box), NewLabel(text, kBodyFontPoints, true));
  g_signal_connect(box, "button-release-event", onRelease, form);
  g_signal_connect(box, "realize", G_CALLBACK(ShowHandCursor), nullptr);
  return box;
}

GtkWidget* NewDescription(const char* text) {
  GtkWidget* view = gtk_text_view_new();
  gtk_text_view_set_editable(GTK_TEXT_VIEW(view), FALSE);
  gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(view), FALSE);
  gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_WORD_CHAR);
  gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), text, -1);
  // Several lines in a fixed place: a scroll bar appears when the text is longer than the box.
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER,
                                 GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(scroller), view);
  return scroller;
}

void OnExitClicked(GtkButton*, gpointer data) {
  auto* form = static_cast<AboutForm*>(data);
  if (form->window) gtk_widget_destroy(form->window);
}

// However the form goes (Exit, the window manager), it is released and the loops end.
void OnDestroy(GtkWidget*, gpointer data) {
  auto* form = static_cast<AboutForm*>(data);
  form->window = nullptr;
  form->closed = true;
  if (openForm.get() == form) openForm.reset();
}

std::string Text(const char* text) { return text ? text : ""; }

std::shared_ptr<AboutForm> CreateForm(const TolvoUiAboutRequest& request, GMainContext* context) {
  InstallFormCssOnce();
  auto form = std::make_shared<AboutForm>();
  form->caption = Text(request.caption);
  form->webAddress = Text(request.webAddress);
  form->mailTarget = "mailto:" + Text(request.contactAddress);
  form->shellOpen = request.shellOpen;

  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  form->window = window;
  gtk_widget_set_name(window, "Form1");
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_window_set_modal(GTK_WINDOW(window), TRUE);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);

  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, TwipsToPixels(kClientWidth), TwipsToPixels(kClientHeight));
  gtk_container_add(GTK_CONTAINER(window), fixed);
  GtkFixed* place = GTK_FIXED(fixed);
  Place(place, NewLabel(Text(request.makerName).c_str(), kTitleFontPoints, false), kLabel1);
  Place(place, NewLinkLabel(form->webAddress.c_str(), G_CALLBACK(OnWebLinkRelease), form.get()),
        kLabel2);
  Place(
      place,
      NewLinkLabel(Text(request.contactAddress).c_str(), G_CALLBACK(OnMailLinkRelease), form.get()),
      kLabel4);
  Place(place, NewDescription(Text(request.description).c_str()), kText1);
  GtkWidget* exit = gtk_button_new_with_label(request.exitCaption ? request.exitCaption : "Exit");
  g_signal_connect(exit, "clicked", G_CALLBACK(OnExitClicked), form.get());
  Place(place, exit, kCommand1);

  // The handlers point at the form; the form outlives the window (the loops hold it).
  g_signal_connect(window, "realize", G_CALLBACK(OnRealize), form.get());
  g_signal_connect(window, "destroy", G_CALLBACK(OnDestroy), form.get());
  NotifyWhenShown(window, "about", context);
  gtk_widget_show_all(window);
  return form;
}

}  // namespace

void RunAboutForm(const TolvoUiAboutRequest& request) {
  GMainContext* context = g_main_context_get_thread_default();
  if (!context) context = g_main_context_default();
  std::shared_ptr<AboutForm> form = openForm;
  if (form) {
    gtk_window_present(GTK_WINDOW(form->window));
  } else {
    form = CreateForm(request, context);
    openForm = form;
  }
  RunNestedLoopUntil(context, &form->closed);
}

}  // namespace tolvo::ui
