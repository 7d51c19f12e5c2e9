// dlopen-based library loading and module folder lookup.
#include "tolvo/platform/dynamic_library.h"

#include <dlfcn.h>

#include "tolvo/platform/module_path.h"
#include "tolvo/platform/path_names.h"

namespace tolvo::platform {

LibraryHandle LoadLibrary(const std::string& pathOrName) {
  return ::dlopen(pathOrName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindSymbol(LibraryHandle library, const char* name) {
  return library ? ::dlsym(library, name) : nullptr;
}

void FreeLibrary(LibraryHandle library) {
  if (library) ::dlclose(library);
}

std::string LastLibraryError() {
  const char* message = ::dlerror();
  return message ? message : "";
}

std::string ModuleFolderOf(const void* address) { return ParentPath(ModulePathOf(address)); }

}  // namespace tolvo::platform
