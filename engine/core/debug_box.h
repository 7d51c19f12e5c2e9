// The engine's one message to a user: the "Debug" box with OK and Cancel. Cancel ends the whole
// host process with exit status 1.
#pragma once

#include <string>

#include "tolvo/platform/message_box.h"

namespace tolvo::engine {

// Formats the text printf-style and shows it in the "Debug" box.
[[gnu::format(printf, 1, 2)]] void ShowDebugBox(const char* format, ...);

// Shows a formatted text through the given box; ends the process with status 1 unless the answer
// is OK. ShowDebugBox uses the platform's box; tests pass their own.
using MessageBoxFunction = platform::MessageAnswer (*)(const platform::MessageBoxRequest&);
void ShowDebugText(const std::string& text, MessageBoxFunction box = platform::ShowMessageBox);

}  // namespace tolvo::engine
