// How many processors this process may run on at once.
#pragma once

namespace tolvo::platform {

// The processors the process may be scheduled on (its affinity), else those online; at least 1.
int AvailableProcessors();

}  // namespace tolvo::platform
