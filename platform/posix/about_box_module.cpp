// Loads the GTK module (libtolvoui-gtk.so) once per process, when a display is configured, from
// the folders where the system's files lie; resolves its entry points and lets it open the display.

#include <cstdlib>
#include <string>
#include <vector>

#include "tolvo/platform/dynamic_library.h"
#include "tolvo/platform/executable_path.h"
#include "tolvo/platform/path_names.h"
#include "tolvo/platform/ui_module.h"

namespace tolvo::platform {
namespace {

bool IsSetAndNotEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

std::string ProgramFolder() { return ParentPath(ExecutablePath()); }

// Folders in the order they are tried: the library that holds this code (the engine, the
// control or a host program), then the program's own folder and an installed layout's
// ../lib/tolvo.
std::vector<std::string> CandidatePaths() {
  std::vector<std::string> paths;
  const std::string own = ModuleFolderOf(reinterpret_cast<const void*>(&UiModuleForDisplay));
  const std::string program = ProgramFolder();
  for (const std::string& folder :
       {own, program, program.empty() ? "" : program + "/../lib/tolvo"}) {
    if (!folder.empty()) paths.push_back(folder + "/" + kUiModuleFileName);
  }
  paths.push_back(kUiModuleFileName);  // the loader's own search (RUNPATH, LD_LIBRARY_PATH)
  return paths;
}

const UiModule* LoadModule() {
  Library library;
  for (const std::string& path : CandidatePaths()) {
    library = Library(LoadLibrary(path));
    if (library) break;
  }
  if (!library) return nullptr;
  auto version =
      reinterpret_cast<TolvoUiAbiVersionFunction>(FindSymbol(library.get(), kUiAbiVersionSymbol));
  auto init = reinterpret_cast<TolvoUiInitFunction>(FindSymbol(library.get(), kUiInitSymbol));
  auto messageBox =
      reinterpret_cast<TolvoUiMessageBoxFunction>(FindSymbol(library.get(), kUiMessageBoxSymbol));
  auto aboutBox =
      reinterpret_cast<TolvoUiAboutBoxFunction>(FindSymbol(library.get(), kUiAboutBoxSymbol));
  if (!version || !init || !messageBox || !aboutBox || version() != kUiModuleAbiVersion)
    return nullptr;
  // Past this point GTK may have registered types and handlers: the module stays loaded even when
  // the display cannot be opened.
  library.Release();
  if (init() != 1) return nullptr;
  static const UiModule module{messageBox, aboutBox};
  return &module;
}

}  // namespace

const UiModule* UiModuleForDisplay() {
  if (!IsSetAndNotEmpty("DISPLAY") && !IsSetAndNotEmpty("WAYLAND_DISPLAY")) return nullptr;
  // Loaded and initialised once; every later call sees the same outcome.
  static const UiModule* const module = LoadModule();
  return module;
}

}  // namespace tolvo::platform
