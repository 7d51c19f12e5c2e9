// The running program's path, read from the kernel's /proc/self/exe link.
#include "tolvo/platform/executable_path.h"

#include <unistd.h>

#include <vector>

namespace tolvo::platform {

std::string ExecutablePath() {
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
    if (buffer.size() >= 65536) return {};
    buffer.resize(buffer.size() * 2);  // the link was cut short: try a larger buffer
  }
}

}  // namespace tolvo::platform
