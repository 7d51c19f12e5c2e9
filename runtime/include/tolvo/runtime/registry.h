// The per-user registry of component classes: a GLib key file at $TOLVO_REGISTRY_FILE when set,
// else $XDG_DATA_HOME/tolvo/registry.ini (~/.local/share when XDG_DATA_HOME is unset). Every
// change rewrites the file atomically (a temporary file renamed over it).
//
// A class is one group "[CLSID {...}]" with the keys Server, ProgID, ThreadingModel, Control,
// MiscStatus, ToolboxBitmap, TypeLib and TypeLibVersion, plus "[ProgID <progid>]" with CLSID.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tolvo/runtime/export.h"
#include "tolvo/runtime/guid.h"
#include "tolvo/runtime/hresult.h"

namespace tolvo::runtime {

struct ClassRegistration {
  Guid clsid;
  std::string name;        // the class's readable name, e.g. "TolvoEncode"
  std::string serverPath;  // full path of the server library
  std::string progId;
  std::string threadingModel = "Apartment";
  bool control = false;
  uint32_t miscStatus = 0;
  std::string toolboxBitmap;  // "<server path>,<resource id>"; empty for none
  Guid typeLibrary;
  uint16_t typeLibraryMajor = 0;
  uint16_t typeLibraryMinor = 0;
};

// The registry file that the functions below use, from the environment at the time of the call.
TOLVO_RUNTIME_API std::string RegistryFilePath();

// Writes the class and its ProgID (replacing an earlier registration of either). E_INVALIDARG for
// an empty ProgID or one with brackets or control characters; E_FAIL when the
// file cannot be read as a key file (it is left alone) or cannot be written.
TOLVO_RUNTIME_API HRESULT RegisterClass(const ClassRegistration& registration);
// Removes the class group and its ProgID group (the latter only while it names this class).
// Removing a class that is not registered succeeds.
TOLVO_RUNTIME_API HRESULT UnregisterClass(const Guid& clsid);

TOLVO_RUNTIME_API std::optional<ClassRegistration> FindClass(const Guid& clsid);
TOLVO_RUNTIME_API std::optional<Guid> ClassIdFromProgId(const std::string& progId);

}  // namespace tolvo::runtime
