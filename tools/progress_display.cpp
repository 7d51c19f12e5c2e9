// Formatting and drawing of encode progress.
#include "progress_display.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tolvo::tool {
namespace {

constexpr int kMinimumBarWidth = 10;
constexpr int kMaximumBarWidth = 40;
constexpr int kFallbackColumns = 80;
constexpr int kFreeColumns = 3;

// Characters a UTF-8 text takes on screen (every character one column).
int DisplayWidth(const std::string& text) {
  int width = 0;
  for (unsigned char c : text) width += (c & 0xC0) != 0x80;
  return width;
}

}  // namespace

std::string FormatClock(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) return "?";
  long total = std::lround(seconds);
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  }
  return text;
}

std::string FormatTenths(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", seconds);
  return text;
}

std::string FormatSpeed(const ProgressSnapshot& s) {
  if (s.audioSeconds <= 0 || s.elapsedSeconds <= 0 || s.percent <= 0) return "";
  double speed = s.audioSeconds * s.percent / 100.0 / s.elapsedSeconds;
  char text[48];
  std::snprintf(text, sizeof text, "%.1f× real time", speed);
  return text;
}

std::string FormatTimeLeft(const ProgressSnapshot& s) {
  if (s.percent <= 0 || s.elapsedSeconds <= 0) return "";
  double left = s.elapsedSeconds * (100 - s.percent) / s.percent;
  return FormatClock(left) + " left";
}

std::string FormatProgressBar(const std::string& label, const ProgressSnapshot& s, int columns) {
  int percent = std::clamp(s.percent, 0, 100);
  char number[8];
  std::snprintf(number, sizeof number, "%3d%%", percent);
  std::string speed = FormatSpeed(s);
  std::string left = percent < 100 ? FormatTimeLeft(s) : "";
  if (columns <= 0) columns = kFallbackColumns;

  // The most that fits wins: label, bar and all figures; then fewer figures; then no label. A
  // line must never wrap, or the next redraw lands on a line of its own. The last three columns
  // stay free: writing into the last makes some terminals wrap, and the two before it take the
  // terminal's own echo of Ctrl-C ("^C") without wrapping, so the bar can still be erased.
  std::string head = label.empty() ? "" : label + " ";
  std::string tails[] = {
      std::string("  ") + number + (speed.empty() ? "" : "  " + speed) +
          (left.empty() ? "" : "  " + left),
      std::string("  ") + number + (speed.empty() ? "" : "  " + speed),
      std::string("  ") + number,
  };
  for (const std::string& prefix : {head, std::string()}) {
    for (const std::string& tail : tails) {
      int room = columns - kFreeColumns - DisplayWidth(prefix) - DisplayWidth(tail) - 2;
      if (room < kMinimumBarWidth) continue;
      int width = std::min(room, kMaximumBarWidth);
      int filled = width * percent / 100;
      return prefix + "[" + std::string(filled, '#') + std::string(width - filled, '.') + "]" +
             tail;
    }
  }
  return number;
}

std::string FormatProgressLine(const std::string& label, const ProgressSnapshot& s) {
  std::string line = label + ": " + std::to_string(std::clamp(s.percent, 0, 100)) + "%";
  std::string speed = FormatSpeed(s);
  std::string left = s.percent < 100 ? FormatTimeLeft(s) : "";
  if (!speed.empty() || !left.empty()) {
    line += " (" + speed + (!speed.empty() && !left.empty() ? ", " : "") + left + ")";
  }
  return line;
}

ProgressDisplay::ProgressDisplay(std::ostream& out, int columns, std::string label)
    : out_(out), columns_(columns), label_(std::move(label)) {}

void ProgressDisplay::Update(const ProgressSnapshot& s) {
  last_ = s;
  if (columns_ > 0) {
    // Return to the line's start, draw, and clear whatever a longer earlier line left.
    out_ << '\r' << FormatProgressBar(label_, s, columns_) << "\x1b[K" << std::flush;
    barDrawn_ = true;
    return;
  }
  int step = std::clamp(s.percent, 0, 100) / 10;
  if (step <= lastStep_) return;
  lastStep_ = step;
  out_ << FormatProgressLine(label_, s) << '\n' << std::flush;
}

void ProgressDisplay::Message(const std::string& line) {
  if (columns_ <= 0) {
    out_ << line << '\n' << std::flush;
    return;
  }
  out_ << '\r' << line << "\x1b[K\n";
  if (barDrawn_) {
    out_ << FormatProgressBar(label_, last_, columns_) << "\x1b[K";
  }
  out_ << std::flush;
}

void ProgressDisplay::Clear() {
  if (barDrawn_) out_ << "\r\x1b[K" << std::flush;
  barDrawn_ = false;
}

void ProgressDisplay::SetColumns(int columns) {
  if (columns_ <= 0 || columns <= 0) return;  // plain lines stay plain lines
  columns_ = columns;
  if (barDrawn_)
    out_ << '\r' << FormatProgressBar(label_, last_, columns_) << "\x1b[K" << std::flush;
}

void ProgressDisplay::Finish() {
  if (barDrawn_) out_ << '\n' << std::flush;
  barDrawn_ = false;
}

}  // namespace tolvo::tool
