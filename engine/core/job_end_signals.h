// Descriptors that the engine makes readable each time a job stores its result, so that a caller
// can wait for the end of a job on its own loop instead of polling for it. Each caller asks for
// its own descriptor and gives it back; the engine owns and closes them.
#pragma once

#include <cstdint>

namespace tolvo::engine {

// A new descriptor (above 2), or -1 when none can be made.
int32_t OpenJobEndSignal();
// Closes a descriptor OpenJobEndSignal gave out: 0, or kRefused when it is not one of them.
int32_t CloseJobEndSignal(int32_t descriptor);
// Makes every open descriptor readable. Called after the result is stored in jobState.
void SignalJobEnd();

}  // namespace tolvo::engine
