// Shows how far an encode has come: on a terminal a bar redrawn in place with the percentage,
// the speed as a multiple of real time and the time left; elsewhere a plain line every 10 %.
#pragma once

#include <ostream>
#include <string>

namespace tolvo::tool {

struct ProgressSnapshot {
  int percent = 0;            // 0..100
  double elapsedSeconds = 0;  // since the encode started
  double audioSeconds = 0;    // length of the whole input; 0 when unknown
};

// "1:05" or "1:02:03"; negative or non-finite values give "?".
std::string FormatClock(double seconds);
// "12.3": a length in seconds, as messages give it.
std::string FormatTenths(double seconds);
// "12.3× real time", or "" when it cannot be told yet.
std::string FormatSpeed(const ProgressSnapshot& s);
// "0:12 left", or "" when it cannot be told yet.
std::string FormatTimeLeft(const ProgressSnapshot& s);
// The bar line for a terminal `columns` wide, without carriage return: "[#####.....]  50%  …".
std::string FormatProgressBar(const std::string& label, const ProgressSnapshot& s, int columns);
// One plain line: "label: 50% (12.3× real time, 0:12 left)".
std::string FormatProgressLine(const std::string& label, const ProgressSnapshot& s);

class ProgressDisplay {
 public:
  // `columns` is the terminal's width, 0 when `out` is not a terminal.
  ProgressDisplay(std::ostream& out, int columns, std::string label);
  // Redraws the bar, or prints a line when a new 10 % step has been reached.
  void Update(const ProgressSnapshot& s);
  void SetLabel(std::string label) { label_ = std::move(label); }
  // Prints a line of its own; on a terminal above the bar, which is drawn again below it.
  void Message(const std::string& line);
  // Ends the bar's line so that later output starts on a line of its own.
  void Finish();
  // Takes the bar off the screen, so that what follows is not printed below a stale bar.
  void Clear();
  // The terminal's new width after a resize; the bar is drawn again at once to fit it.
  void SetColumns(int columns);

 private:
  std::ostream& out_;
  int columns_;
  std::string label_;
  int lastStep_ = -1;
  bool barDrawn_ = false;
  ProgressSnapshot last_;
};

}  // namespace tolvo::tool
