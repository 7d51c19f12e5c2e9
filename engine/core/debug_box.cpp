// The "Debug" box: format, ask, and end the process when the user does not answer OK.
#include "core/debug_box.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tolvo::engine {
namespace {

constexpr const char* kDebugCaption = "Debug";
constexpr int kCancelledExitStatus = 1;

std::string FormatText(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0) return format;
  std::vector<char> text(static_cast<size_t>(length) + 1);
  std::vsnprintf(text.data(), text.size(), format, args);
  return std::string(text.data(), static_cast<size_t>(length));
}

}  // namespace

void ShowDebugBox(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = FormatText(format, args);
  va_end(args);
  ShowDebugText(text);
}

void ShowDebugText(const std::string& text, MessageBoxFunction box) {
  platform::MessageBoxRequest request;
  request.caption = kDebugCaption;
  request.text = text;
  request.buttons = platform::MessageButtons::kOkCancel;
  request.topmost = true;
  if (box(request) == platform::MessageAnswer::kOk) return;
  // The box may be answered on the job thread while the host's threads run on: end the process
  // at once, without running static destructors under their feet, after flushing what was said.
  std::fflush(nullptr);
  std::_Exit(kCancelledExitStatus);
}

}  // namespace tolvo::engine
