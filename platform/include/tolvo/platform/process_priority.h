// Scheduling priority of the whole process. Linux keeps a nice value per thread, so a change for
// the process walks every thread of it.
#pragma once

#include <optional>
#include <vector>

namespace tolvo::platform {

// Gives every thread of this process the nice value (-20 .. 19). Threads that refuse (no
// privilege, or gone meanwhile) keep theirs; nothing is reported.
void SetProcessNice(int nice);

// The nice value of a priority level: 1 idle (19), 2 normal (0), 3 high (-10); none for any other.
std::optional<int> NiceOfPriorityLevel(int level);

// The nice value of every thread of this process, in no particular order.
std::vector<int> ThreadNiceValues();

}  // namespace tolvo::platform
