// The GTK boxes on a private X server: the about box's layout, caption, links, Exit and nested
// loop; the message box's answers, from the loop's thread and from other threads; the engine's
// Debug box ending the process on Cancel.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "core/debug_box.h"
#include "gtk_box_driver.h"
#include "test_support.h"
#include "tolvo/platform/about_box.h"
#include "tolvo/platform/message_box.h"
#include "tolvo/system_files.h"
#include "xvfb_display.h"

namespace tolvo::test {
namespace {

[[maybe_unused]] auto* const kXvfb = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

platform::AboutBoxContent SampleContent() {
  platform::AboutBoxContent content;
  content.caption = "Tolvo MP3 Encoder OCX 1.3.0";
  content.makerName = "Tolvo Software";
  content.webAddress = "https://www.example.org/tolvo";
  content.contactAddress = "contact@example.org";
  content.description = "ActiveX OCX to encode wav pcm in mp3 files , the code is optimized\r\n";
  return content;
}

struct Expected {
  const char* name;
  int x, y, width, height;  // pixels: twips / 15
};

constexpr Expected kLayout[] = {
    {"Label1", 32, 16, 257, 25}, {"Label2", 104, 48, 201, 17},   {"Label4", 88, 64, 217, 17},
    {"Text1", 32, 112, 257, 97}, {"Command1", 200, 248, 89, 25},
};

void ClickExit(GtkWindow* window) {
  GtkWidget* exit = FindWidget(GTK_WIDGET(window), "Command1");
  ASSERT_TRUE(GTK_IS_BUTTON(exit));
  gtk_button_clicked(GTK_BUTTON(exit));
}

double FontPointsOf(GtkWidget* label) {
  PangoAttrList* attributes = gtk_label_get_attributes(GTK_LABEL(label));
  if (!attributes) return 0;
  PangoAttrIterator* it = pango_attr_list_get_iterator(attributes);
  PangoFontDescription* font = pango_font_description_new();
  pango_attr_iterator_get_font(it, font, nullptr, nullptr);
  const double points = pango_font_description_get_size(font) / double(PANGO_SCALE);
  pango_font_description_free(font);
  pango_attr_iterator_destroy(it);
  return points;
}

bool IsUnderlined(GtkWidget* label) {
  PangoAttrList* attributes = gtk_label_get_attributes(GTK_LABEL(label));
  if (!attributes) return false;
  PangoAttrIterator* it = pango_attr_list_get_iterator(attributes);
  auto* underline =
      reinterpret_cast<PangoAttrInt*>(pango_attr_iterator_get(it, PANGO_ATTR_UNDERLINE));
  const bool result = underline && underline->value == PANGO_UNDERLINE_SINGLE;
  pango_attr_iterator_destroy(it);
  return result;
}

std::string TextViewText(GtkWidget* scroller) {
  GtkWidget* view = gtk_bin_get_child(GTK_BIN(scroller));
  if (!GTK_IS_TEXT_VIEW(view)) return "";
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
  GtkTextIter start, end;
  gtk_text_buffer_get_bounds(buffer, &start, &end);
  gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
  std::string result = text;
  g_free(text);
  return result;
}

TEST(GtkAboutBox, ShowsTheFormLayoutCaptionAndTexts) {
  const platform::AboutBoxContent content = SampleContent();
  BoxDriver driver([&](GtkWindow* window, const std::string& kind) {
    EXPECT_EQ(kind, "about");
    EXPECT_STREQ(gtk_window_get_title(window), "Tolvo MP3 Encoder OCX 1.3.0");
    EXPECT_STREQ(gtk_widget_get_name(GTK_WIDGET(window)), "Form1");
    EXPECT_TRUE(gtk_window_get_modal(window));
    EXPECT_EQ(gtk_window_get_transient_for(window), nullptr);
    int width = 0, height = 0;
    gtk_window_get_size(window, &width, &height);
    EXPECT_EQ(width, 324);
    EXPECT_EQ(height, 291);
    for (const Expected& expected : kLayout) {
      SCOPED_TRACE(expected.name);
      GtkWidget* widget = FindWidget(GTK_WIDGET(window), expected.name);
      ASSERT_NE(widget, nullptr);
      const Point at = PositionInFixed(widget);
      EXPECT_EQ(at.x, expected.x);
      EXPECT_EQ(at.y, expected.y);
      GtkAllocation area;
      gtk_widget_get_allocation(widget, &area);
      EXPECT_EQ(area.width, expected.width);
      EXPECT_EQ(area.height, expected.height);
    }
    GtkWidget* maker = FindWidget(GTK_WIDGET(window), "Label1");
    EXPECT_EQ(LabelText(maker), "Tolvo Software");
    EXPECT_DOUBLE_EQ(FontPointsOf(maker), 13.5);
    EXPECT_FALSE(IsUnderlined(maker));
    for (const auto& [name, text] :
         {std::pair{"Label2", content.webAddress}, {"Label4", content.contactAddress}}) {
      GtkWidget* link = gtk_bin_get_child(GTK_BIN(FindWidget(GTK_WIDGET(window), name)));
      EXPECT_EQ(LabelText(link), text) << name;
      EXPECT_DOUBLE_EQ(FontPointsOf(link), 8.25) << name;
      EXPECT_TRUE(IsUnderlined(link)) << name;
    }
    EXPECT_EQ(TextViewText(FindWidget(GTK_WIDGET(window), "Text1")), content.description);
    EXPECT_EQ(LabelText(FindWidget(GTK_WIDGET(window), "Command1")), "Exit");
    ClickExit(window);
  });
  platform::ShowAboutBox(content);
  EXPECT_EQ(driver.boxesShown(), 1);
  EXPECT_FALSE(driver.watchdogFired());
}

TEST(GtkAboutBox, LinkClicksOpenTheWebPageAndAMailThroughTheShell) {
  TempDir dir;
  const std::string record = dir / "opened.txt";
  setenv("TOLVO_SHELL_OPEN_RECORD", record.c_str(), 1);
  BoxDriver driver([](GtkWindow* window, const std::string&) {
    GtkWidget* web = FindWidget(GTK_WIDGET(window), "Label2");
    GtkWidget* mail = FindWidget(GTK_WIDGET(window), "Label4");
    ReleaseButtonAt(web, 5, 5);
    ReleaseButtonAt(mail, 5, 5);
    ReleaseButtonAt(web, 500, 5);  // released outside the label: no click
    ClickExit(window);
  });
  platform::ShowAboutBox(SampleContent());
  unsetenv("TOLVO_SHELL_OPEN_RECORD");
  ASSERT_TRUE(Exists(record));
  const Bytes lines = ReadFile(record);
  EXPECT_EQ(std::string(lines.begin(), lines.end()),
            "https://www.example.org/tolvo\nmailto:contact@example.org\n");
  EXPECT_FALSE(driver.watchdogFired());
}

TEST(GtkAboutBox, EachCallCreatesAFreshFormWhoseLoadSetsTheCaption) {
  std::vector<std::string> captions;
  BoxDriver driver([&](GtkWindow* window, const std::string&) {
    captions.push_back(gtk_window_get_title(window));
    // A caption changed on the open form must not survive into the next one.
    gtk_window_set_title(window, "changed");
    ClickExit(window);
  });
  platform::ShowAboutBox(SampleContent());
  platform::ShowAboutBox(SampleContent());
  EXPECT_EQ(driver.boxesShown(), 2);
  EXPECT_EQ(captions, (std::vector<std::string>{"Tolvo MP3 Encoder OCX 1.3.0",
                                                "Tolvo MP3 Encoder OCX 1.3.0"}));
}

TEST(GtkAboutBox, ClosingByTheWindowManagerAlsoEndsTheModalDisplay) {
  BoxDriver driver([](GtkWindow* window, const std::string&) { gtk_window_close(window); });
  platform::ShowAboutBox(SampleContent());
  EXPECT_EQ(driver.boxesShown(), 1);
  EXPECT_FALSE(driver.watchdogFired());
}

gboolean CountTick(gpointer data) {
  ++*static_cast<int*>(data);
  return G_SOURCE_CONTINUE;
}

gboolean ClickExitLater(gpointer window) {
  ClickExit(GTK_WINDOW(window));
  return G_SOURCE_REMOVE;
}

TEST(GtkAboutBox, TheThreadsTimersTickWhileTheBoxIsOpen) {
  int ticks = 0;
  const guint timer = g_timeout_add(50, CountTick, &ticks);
  int ticksWhenShown = -1;
  BoxDriver driver([&](GtkWindow* window, const std::string&) {
    ticksWhenShown = ticks;
    g_timeout_add(400, ClickExitLater, window);
  });
  platform::ShowAboutBox(SampleContent());
  g_source_remove(timer);
  ASSERT_GE(ticksWhenShown, 0);
  EXPECT_GE(ticks - ticksWhenShown, 4);  // about eight ticks in 400 ms
  EXPECT_FALSE(driver.watchdogFired());
}

void Answer(GtkWindow* window, int response) {
  GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(window), response);
  ASSERT_TRUE(GTK_IS_BUTTON(button));
  gtk_button_clicked(GTK_BUTTON(button));
}

platform::MessageBoxRequest DebugRequest(const std::string& text) {
  platform::MessageBoxRequest request;
  request.caption = "Debug";
  request.text = text;
  return request;
}

TEST(GtkMessageBox, ShowsCaptionTextAndAnswersOkOrCancel) {
  BoxDriver driver([](GtkWindow* window, const std::string& kind) {
    EXPECT_EQ(kind, "message");
    EXPECT_STREQ(gtk_window_get_title(window), "Debug");
    EXPECT_EQ(gtk_window_get_transient_for(window), nullptr);
    gchar* text = nullptr;
    g_object_get(window, "text", &text, nullptr);
    const std::string shown = text ? text : "";
    g_free(text);
    EXPECT_NE(gtk_dialog_get_widget_for_response(GTK_DIALOG(window), GTK_RESPONSE_CANCEL), nullptr);
    Answer(window, shown == "press OK" ? GTK_RESPONSE_OK : GTK_RESPONSE_CANCEL);
  });
  EXPECT_EQ(platform::ShowMessageBox(DebugRequest("press OK")), platform::MessageAnswer::kOk);
  EXPECT_EQ(platform::ShowMessageBox(DebugRequest("press Cancel")),
            platform::MessageAnswer::kCancel);
  EXPECT_EQ(driver.boxesShown(), 2);
}

TEST(GtkMessageBox, OkOnlyBoxHasNoCancelAndClosingItCountsAsCancel) {
  BoxDriver driver([](GtkWindow* window, const std::string&) {
    EXPECT_EQ(gtk_dialog_get_widget_for_response(GTK_DIALOG(window), GTK_RESPONSE_CANCEL), nullptr);
    gtk_window_close(window);
  });
  platform::MessageBoxRequest request = DebugRequest("closed by the window manager");
  request.buttons = platform::MessageButtons::kOk;
  EXPECT_EQ(platform::ShowMessageBox(request), platform::MessageAnswer::kCancel);
  EXPECT_EQ(driver.boxesShown(), 1);
}

// A box asked for on a worker thread appears on the thread that runs GTK's loop.
TEST(GtkMessageBox, FromAWorkerWhileTheMainThreadRunsTheLoop) {
  const std::thread::id mainThread = std::this_thread::get_id();
  std::thread::id shownOn;
  BoxDriver driver([&](GtkWindow* window, const std::string&) {
    shownOn = std::this_thread::get_id();
    Answer(window, GTK_RESPONSE_OK);
  });
  std::atomic<bool> done{false};
  platform::MessageAnswer answer = platform::MessageAnswer::kCancel;
  std::thread worker([&] {
    answer = platform::ShowMessageBox(DebugRequest("from a worker"));
    done = true;
    g_main_context_wakeup(g_main_context_default());
  });
  while (!done) g_main_context_iteration(nullptr, TRUE);
  worker.join();
  EXPECT_EQ(answer, platform::MessageAnswer::kOk);
  EXPECT_EQ(shownOn, mainThread);
}

// With no loop running anywhere, the worker takes GTK's context and shows the box itself.
TEST(GtkMessageBox, FromAWorkerWhenNoThreadRunsTheLoop) {
  std::thread::id shownOn;
  BoxDriver driver([&](GtkWindow* window, const std::string&) {
    shownOn = std::this_thread::get_id();
    Answer(window, GTK_RESPONSE_CANCEL);
  });
  platform::MessageAnswer answer = platform::MessageAnswer::kOk;
  std::thread::id workerId;
  std::thread worker([&] {
    workerId = std::this_thread::get_id();
    answer = platform::ShowMessageBox(DebugRequest("nobody runs a loop"));
  });
  worker.join();
  EXPECT_EQ(answer, platform::MessageAnswer::kCancel);
  EXPECT_EQ(shownOn, workerId);
}

TEST(GtkDebugBox, OkLetsTheProcessGoOnAndCancelEndsItWithStatusOne) {
  {
    BoxDriver driver(
        [](GtkWindow* window, const std::string&) { Answer(window, GTK_RESPONSE_OK); });
    engine::ShowDebugText("Unable to load library libtolvomp3enc1.so \n");
    EXPECT_EQ(driver.boxesShown(), 1);
  }
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        BoxDriver driver(
            [](GtkWindow* window, const std::string&) { Answer(window, GTK_RESPONSE_CANCEL); });
        engine::ShowDebugBox("Unable to load library %s \n", kEncoderLibraryName);
        std::exit(0);  // not reached when Cancel ends the process
      },
      ::testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace tolvo::test

// Fontconfig keeps its caches for the life of the process, and pango fills them on a thread of its
// own synchronised through GLib's uninstrumented locks: the sanitizers would report both.
extern "C" __attribute__((visibility("default"), used)) const char* __tsan_default_suppressions() {
  return "race:libfontconfig\n";
}
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}
