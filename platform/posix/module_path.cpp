// Lookup of the file of a loaded module: dladdr, and the process's memory map when the loader
// only knows the name the module was opened with.
#include "tolvo/platform/module_path.h"

#include <dlfcn.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace tolvo::platform {
namespace {

// The file mapped at an address, from /proc/self/maps; empty when none is.
std::string MappedFileAt(const void* address) {
  FILE* maps = std::fopen("/proc/self/maps", "re");
  if (!maps) return {};
  const auto target = reinterpret_cast<uintptr_t>(address);
  std::string found;
  char line[4096 + 256];
  while (found.empty() && std::fgets(line, sizeof line, maps)) {
    uintptr_t start = 0, end = 0;
    int pathAt = 0;
    if (std::sscanf(line, "%" SCNxPTR "-%" SCNxPTR " %*s %*s %*s %*s %n", &start, &end, &pathAt) <
            2 ||
        target < start || target >= end || pathAt <= 0 || line[pathAt] != '/') {
      continue;
    }
    found = line + pathAt;
    if (!found.empty() && found.back() == '\n') found.pop_back();
  }
  std::fclose(maps);
  return found;
}

}  // namespace

std::string ModulePathOf(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || !info.dli_fname) return {};
  // A module opened by a relative name reports that name, which depends on the current folder;
  // the memory map always holds the absolute file.
  if (info.dli_fname[0] == '/') return info.dli_fname;
  return MappedFileAt(address);
}

}  // namespace tolvo::platform
