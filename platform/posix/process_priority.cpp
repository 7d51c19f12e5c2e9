// Process priority over the per-thread nice values of Linux: the threads are the entries of
// /proc/self/task, each changed or read with setpriority/getpriority on its thread id.
#include "tolvo/platform/process_priority.h"

#include <fcntl.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdlib>

#include "folder_handle.h"

namespace tolvo::platform {
namespace {

// Calls visit(tid) for every thread of this process.
template <typename Visit>
void ForEachThread(Visit visit) {
  const DirHandle tasks = OpenFolderAt(AT_FDCWD, "/proc/self/task", true);
  if (!tasks) return;
  while (const dirent* entry = ::readdir(tasks.get())) {
    char* end = nullptr;
    long tid = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != '\0' || tid <= 0) continue;  // "." and ".."
    visit(static_cast<id_t>(tid));
  }
}

}  // namespace

std::optional<int> NiceOfPriorityLevel(int level) {
  switch (level) {
    case 1:
      return 19;
    case 2:
      return 0;
    case 3:
      return -10;
    default:
      return std::nullopt;
  }
}

void SetProcessNice(int nice) {
  ForEachThread([nice](id_t tid) { ::setpriority(PRIO_PROCESS, tid, nice); });
}

std::vector<int> ThreadNiceValues() {
  std::vector<int> values;
  ForEachThread([&values](id_t tid) {
    errno = 0;
    int nice = ::getpriority(PRIO_PROCESS, tid);
    if (nice != -1 || errno == 0) values.push_back(nice);  // -1 is also a valid nice value
  });
  return values;
}

}  // namespace tolvo::platform
