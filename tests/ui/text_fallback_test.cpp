// Without a display: the message box and the about box print and return (OK), the Debug box lets
// the process go on; ShellOpen records its target on request, or starts xdg-open detached.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/debug_box.h"
#include "test_support.h"
#include "tolvo/platform/about_box.h"
#include "tolvo/platform/child_process.h"
#include "tolvo/platform/message_box.h"

namespace tolvo::test {
namespace {

class NoDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
  }
};

TEST_F(NoDisplay, MessageBoxPrintsCaptionAndTextAndAnswersOk) {
  platform::MessageBoxRequest request;
  request.caption = "Debug";
  request.text = "Unable to load library libtolvomp3enc1.so \n";
  ::testing::internal::CaptureStderr();
  const platform::MessageAnswer answer = platform::ShowMessageBox(request);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Debug: Unable to load library libtolvomp3enc1.so \n");
  EXPECT_EQ(answer, platform::MessageAnswer::kOk);

  request.text = "no line end";
  ::testing::internal::CaptureStderr();
  platform::ShowMessageBox(request);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Debug: no line end\n");
}

TEST_F(NoDisplay, DebugBoxLetsTheProcessGoOn) {
  ::testing::internal::CaptureStderr();
  engine::ShowDebugText("Unable to load library libtolvomp3enc1.so \n");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Debug: Unable to load library libtolvomp3enc1.so \n");
}

TEST_F(NoDisplay, AboutBoxPrintsItsContentAndReturns) {
  platform::AboutBoxContent content;
  content.caption = "Tolvo MP3 Encoder OCX 1.3.0";
  content.makerName = "Tolvo Software";
  content.webAddress = "https://www.example.org/tolvo";
  content.contactAddress = "contact@example.org";
  content.description = "encodes wav files\r\n";
  ::testing::internal::CaptureStderr();
  platform::ShowAboutBox(content);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Tolvo MP3 Encoder OCX 1.3.0\nTolvo Software\nhttps://www.example.org/tolvo\n"
            "contact@example.org\nencodes wav files\r\n");
}

TEST(ShellOpen, RecordFileGetsOneLinePerTargetAndNothingIsStarted) {
  TempDir dir;
  const std::string record = dir / "opened.txt";
  WriteFile(dir / "xdg-open", {});  // a PATH entry that would fail if it were run
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", dir.path().c_str(), 1);
  setenv("TOLVO_SHELL_OPEN_RECORD", record.c_str(), 1);
  platform::ShellOpen("https://www.example.org/tolvo");
  platform::ShellOpen("mailto:contact@example.org");
  unsetenv("TOLVO_SHELL_OPEN_RECORD");
  setenv("PATH", oldPath.c_str(), 1);
  const Bytes lines = ReadFile(record);
  EXPECT_EQ(std::string(lines.begin(), lines.end()),
            "https://www.example.org/tolvo\nmailto:contact@example.org\n");
}

std::string WaitForText(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Exists(path) && SizeOf(path) > 0) {
      const Bytes bytes = ReadFile(path);
      std::string text(bytes.begin(), bytes.end());
      if (!text.empty() && text.back() == '\n') return text;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {};
}

// The children of this process's main thread, as the kernel lists them.
std::string ChildrenOfThisProcess() {
  const std::string pid = std::to_string(platform::CurrentProcessId());
  const Bytes bytes = ReadFile("/proc/" + pid + "/task/" + pid + "/children");
  return std::string(bytes.begin(), bytes.end());
}

TEST(ShellOpen, StartsXdgOpenDetachedWithTheTargetAsOneArgument) {
  TempDir dir;
  const std::string seen = dir / "seen.txt";
  // A stand-in handler that writes its arguments, one per line, and stays a while like a browser.
  const std::string script =
      "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >>'" + seen + "'; done\nsleep 1\n";
  WriteFile(dir / "xdg-open", Bytes(script.begin(), script.end()));
  ASSERT_EQ(RunCommand("chmod +x '" + dir.path() + "/xdg-open'"), 0);
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (dir.path() + ":/usr/bin:/bin").c_str(), 1);
  unsetenv("TOLVO_SHELL_OPEN_RECORD");

  const std::string target = "mailto:a b@example.org?subject=$(touch " + (dir / "x") + ");`id`";
  const auto start = std::chrono::steady_clock::now();
  platform::ShellOpen(target);
  const auto took = std::chrono::steady_clock::now() - start;
  setenv("PATH", oldPath.c_str(), 1);

  EXPECT_LT(took, std::chrono::milliseconds(900)) << "ShellOpen waited for the handler";
  EXPECT_EQ(WaitForText(seen), target + "\n");
  EXPECT_FALSE(Exists(dir / "x"));
  // Neither the shell nor the handler is left as a child (or zombie) of this process.
  EXPECT_EQ(ChildrenOfThisProcess(), "");
}

}  // namespace
}  // namespace tolvo::test
