// Where the control library lies relative to libtolvo: installed, in the "tolvo" library folder
// below libtolvo's own folder; in a build tree, beside it.
#include <filesystem>

#include "gobject_internal.h"
#include "tolvo/runtime/server.h"
#include "tolvo/system_files.h"

namespace tolvo::gobject {

std::string ControlLibraryBesideThisLibrary() {
  namespace fs = std::filesystem;
  const std::string self = runtime::ServerPathOf(reinterpret_cast<const void*>(&ToUtf16));
  if (self.empty()) return {};
  const fs::path folder = fs::path(self).parent_path();
  for (const fs::path& candidate : {folder / TOLVO_CONTROL_DIR_FROM_LIBDIR / kControlLibraryName,
                                    folder / kControlLibraryName}) {
    std::error_code ignored;
    if (fs::is_regular_file(candidate, ignored)) return candidate.lexically_normal().string();
  }
  return {};
}

}  // namespace tolvo::gobject
