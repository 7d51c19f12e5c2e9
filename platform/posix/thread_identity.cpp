// On Linux the main thread's id is the process id.
#include "tolvo/platform/thread_identity.h"

#include <unistd.h>

namespace tolvo::platform {

bool IsMainThread() { return gettid() == getpid(); }

}  // namespace tolvo::platform
