// The processor count from the scheduler's affinity mask, or sysconf when that is unknown.
#include "tolvo/platform/processors.h"

#include <sched.h>
#include <unistd.h>

namespace tolvo::platform {

int AvailableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) return count;
  }
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<int>(online) : 1;
}

}  // namespace tolvo::platform
