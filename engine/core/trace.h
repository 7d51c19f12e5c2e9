// The diagnostic trace hook: every step of the engine reports here, and the hook discards it.
#pragma once

namespace tolvo::engine {

[[gnu::format(printf, 1, 2)]] inline void Trace(const char* /*format*/, ...) {}

}  // namespace tolvo::engine
