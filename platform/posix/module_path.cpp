// dladdr-based lookup of the file of a loaded module.
#include "tolvo/platform/module_path.h"

#include <dlfcn.h>

namespace tolvo::platform {

std::string ModulePathOf(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || !info.dli_fname) return {};
  return info.dli_fname;
}

}  // namespace tolvo::platform
