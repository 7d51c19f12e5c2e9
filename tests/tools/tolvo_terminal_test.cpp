// tolvo on a real terminal, under tmux: the progress bar follows the terminal when it shrinks
// (SIGWINCH), and after Ctrl-C the screen ends with the cancel lines and the summary, with no bar
// left over. What the screen shows is read back with tmux's capture-pane.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "tolvo_cli.h"

namespace tolvo::test {
namespace {

// A tmux server of its own, with one window running a shell line; gone at the end.
class Screen {
 public:
  // Each screen has a server socket of its own: a server that is still going away after
  // kill-server must not meet the next screen of the same test.
  Screen(const TempDir& dir, const std::string& line, int columns)
      : tmux_("tmux -L tolvo-" + dir.path().substr(dir.path().rfind('/') + 1) + "-" +
              std::to_string(++screens_) + " ") {
    std::string script = "cd " + ShellQuote(dir.path()) +
                         " && export TOLVO_REGISTRY_FILE=" + ShellQuote(dir / "registry.ini") +
                         " && unset DISPLAY && " + line + "; echo EXIT=$?; sleep 600";
    started_ = RunCommand(tmux_ + "-f /dev/null new-session -d -s t -x " + std::to_string(columns) +
                          " -y 20 " + ShellQuote(script)) == 0;
  }
  ~Screen() { RunCommand(tmux_ + "kill-server 2>/dev/null"); }
  bool started() const { return started_; }

  // The screen's lines as shown, or with the lines the terminal wrapped joined again.
  std::vector<std::string> Lines(bool joined = true) const {
    std::string text;
    RunCommand(tmux_ + "capture-pane -p " + (joined ? "-J " : "") + "-t t", &text);
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
      while (!line.empty() && line.back() == ' ') line.pop_back();
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  // Waits up to `seconds` for a screen on which `ready` holds.
  bool WaitFor(const std::function<bool(const std::vector<std::string>&)>& ready,
               double seconds) const {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
      if (ready(Lines())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  void Resize(int columns) const {
    RunCommand(tmux_ + "resize-window -t t -x " + std::to_string(columns) + " -y 20");
  }
  void PressCtrlC() const { RunCommand(tmux_ + "send-keys -t t C-c"); }
  std::string Dump() const {
    std::string all;
    for (const std::string& line : Lines()) all += line + "\n";
    return all;
  }

 private:
  static inline int screens_ = 0;  // screens made by this test program
  std::string tmux_;
  bool started_ = false;
};

int Columns(const std::string& line) {
  int width = 0;
  for (unsigned char c : line) width += (c & 0xC0) != 0x80;
  return width;
}

std::vector<std::string> BarLines(const std::vector<std::string>& lines, const std::string& mark) {
  std::vector<std::string> bars;
  for (const std::string& line : lines) {
    if (line.find(mark) != std::string::npos) bars.push_back(line);
  }
  return bars;
}

// One bar on the screen, drawn for a terminal of `columns`.
auto OneBarWithin(const std::string& mark, int columns) {
  return [mark, columns](const std::vector<std::string>& lines) {
    std::vector<std::string> bars = BarLines(lines, mark);
    return bars.size() == 1 && Columns(bars[0]) <= columns - 3 &&
           bars[0].find('%') != std::string::npos;
  };
}

// After a resize: the bar on the cursor's line fits the new width, and it is redrawn in place: a
// second later the screen has no more lines (a bar too wide would wrap onto a new line at every
// redraw). A terminal that re-wraps the old, wider line may keep a piece of it above; that is
// the terminal's doing and not looked at.
void ExpectBarFollows(const Screen& screen, const std::string& mark, int columns) {
  screen.Resize(columns);
  auto fits = [&](const std::vector<std::string>& lines) {
    std::vector<std::string> bars = BarLines(lines, mark);
    return !bars.empty() && Columns(bars.back()) <= columns - 3 && lines.back() == bars.back();
  };
  ASSERT_TRUE(screen.WaitFor([&](const auto&) { return fits(screen.Lines(false)); }, 10))
      << screen.Dump();
  std::vector<std::string> before = screen.Lines(false);
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  std::vector<std::string> after = screen.Lines(false);
  EXPECT_EQ(after.size(), before.size()) << screen.Dump();
  EXPECT_TRUE(fits(after)) << screen.Dump();
  EXPECT_NE(after.back(), before.back()) << "the bar was not redrawn";
}

auto Ended() {
  return [](const std::vector<std::string>& lines) {
    return !lines.empty() && lines.back().starts_with("EXIT=");
  };
}

// One thread per file keeps each encode running long enough to resize and interrupt it.
TEST(TolvoTerminal, BarsFollowTheTerminalWhenItShrinks) {
  TempDir dir;
  for (int i = 1; i <= 2; ++i) WriteNoiseWav(dir / ("n" + std::to_string(i) + ".wav"), 240);
  {
    Screen screen(
        dir, ShellQuote(TolvoPath()) + " encode n1.wav out.mp3 --quality high --threads 1", 120);
    ASSERT_TRUE(screen.started());
    ASSERT_TRUE(screen.WaitFor(OneBarWithin("n1.wav [", 120), 30)) << screen.Dump();
    ExpectBarFollows(screen, "n1.wav [", 70);
    ExpectBarFollows(screen, "%", 30);  // too narrow for the name: the bar goes on without it
    screen.PressCtrlC();
    ASSERT_TRUE(screen.WaitFor(Ended(), 30)) << screen.Dump();
    std::vector<std::string> lines = screen.Lines();
    EXPECT_EQ(lines.back(), "EXIT=130");
    EXPECT_TRUE(lines[lines.size() - 2].starts_with("tolvo: cancelled; out.mp3 holds the first "))
        << screen.Dump();
  }
  Screen batch(dir,
               ShellQuote(TolvoPath()) +
                   " encode -j2 n1.wav n2.wav --out-dir out --quality high --threads 1",
               100);
  ASSERT_TRUE(batch.started());
  ASSERT_TRUE(batch.WaitFor(OneBarWithin("0/2 files [", 100), 30)) << batch.Dump();
  ExpectBarFollows(batch, "0/2 files [", 50);
}

TEST(TolvoTerminal, CtrlCInABatchEndsWithTheCancelledFilesAndTheSummary) {
  TempDir dir;
  for (int i = 1; i <= 4; ++i) WriteNoiseWav(dir / ("n" + std::to_string(i) + ".wav"), 150);
  Screen screen(dir,
                ShellQuote(TolvoPath()) +
                    " encode -j2 n1.wav n2.wav n3.wav n4.wav --out-dir out --quality high",
                80);
  ASSERT_TRUE(screen.started());
  ASSERT_TRUE(screen.WaitFor(OneBarWithin("0/4 files [", 80), 30)) << screen.Dump();
  screen.PressCtrlC();
  ASSERT_TRUE(screen.WaitFor(Ended(), 30)) << screen.Dump();
  std::vector<std::string> lines = screen.Lines();
  std::string all = screen.Dump();
  EXPECT_EQ(lines.back(), "EXIT=130");
  ASSERT_EQ(lines.size(), 4u) << all;
  // The two files that were running, then the summary; the bar is gone, not left above or below.
  EXPECT_TRUE(lines[2].starts_with(
      "4 files: 0 encoded, 0 failed, 2 cancelled, 2 not started; 0.0 s of audio in "))
      << all;
  for (int i : {0, 1}) {
    EXPECT_NE(lines[i].find(": cancelled; removed the partial out/n"), std::string::npos) << all;
  }
  EXPECT_TRUE(ListFolder(dir / "out").empty());
}

}  // namespace
}  // namespace tolvo::test
