// Starts Xvfb on a display number of its own choice and points DISPLAY at it.
#include "xvfb_display.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "tolvo/platform/child_process.h"

namespace tolvo::test {
namespace {

// Set for child processes (death tests re-run the program) so they use the parent's server.
constexpr const char* kOwnerVariable = "TOLVO_TEST_XVFB_OWNER";
constexpr auto kStartLimit = std::chrono::seconds(10);

std::string Trimmed(const Bytes& bytes) {
  std::string text(bytes.begin(), bytes.end());
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string WaitForLine(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (Exists(path)) {
      const std::string line = Trimmed(ReadFile(path));
      if (!line.empty()) return line;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {};
}

}  // namespace

void XvfbEnvironment::SetUp() {
  const char* owner = std::getenv(kOwnerVariable);
  if (owner && *owner && std::getenv("DISPLAY")) return;
  folder_ = std::make_unique<TempDir>();
  const std::string displayFile = *folder_ / "display";
  const std::string pidFile = *folder_ / "pid";
  const std::string me = std::to_string(platform::CurrentProcessId());
  const std::string command =
      "(Xvfb -displayfd 3 -nolisten tcp -screen 0 640x480x24 3>'" + displayFile +
      "' </dev/null >/dev/null 2>&1 & x=$!; echo $x >'" + pidFile + "'; while kill -0 " + me +
      " 2>/dev/null && kill -0 $x 2>/dev/null; do sleep 0.5; done; kill $x 2>/dev/null)"
      " </dev/null >/dev/null 2>&1 &";
  ASSERT_EQ(RunCommand(command), 0);
  serverPid_ = WaitForLine(pidFile);
  const std::string display = WaitForLine(displayFile);
  ASSERT_FALSE(display.empty()) << "Xvfb did not start";
  setenv("DISPLAY", (":" + display).c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");
  setenv("NO_AT_BRIDGE", "1", 1);  // no accessibility bus on a bare server
  setenv(kOwnerVariable, me.c_str(), 1);
}

void XvfbEnvironment::TearDown() {
  if (!serverPid_.empty()) RunCommand("kill " + serverPid_ + " 2>/dev/null");
  folder_.reset();
}

}  // namespace tolvo::test
