// Object creation from server libraries: by ProgID through the registry or from a given file, and
// the loading of a server to (un)register it. Servers stay loaded once they served an object.
#include "tolvo/runtime/create_object.h"

#include "tolvo/platform/dynamic_library.h"
#include "tolvo/platform/module_path.h"
#include "tolvo/runtime/apartment.h"
#include "tolvo/runtime/error_info.h"
#include "tolvo/runtime/registry.h"
#include "tolvo/runtime/server.h"
#include "tolvo/runtime/text.h"

namespace tolvo::runtime {
namespace {

HRESULT Fail(HRESULT hr, const std::string& description) {
  // Messages quote UTF-8 paths and loader texts; invalid bytes become U+FFFD.
  SetErrorInfo(ErrorInfo{hr, TextFromUtf8(description), u"tolvo runtime"});
  return hr;
}

// Loads the server and finds one of its entry points; the library is returned unreleased.
HRESULT LoadServerEntry(const std::string& serverPath, const char* entryName,
                        platform::Library* library, void** entry) {
  *library = platform::Library(platform::LoadLibrary(serverPath));
  if (!*library) {
    return Fail(CO_E_ERRORINDLL,
                "Cannot load the server " + serverPath + ": " + platform::LastLibraryError());
  }
  *entry = platform::FindSymbol(library->get(), entryName);
  if (!*entry) {
    return Fail(CO_E_ERRORINDLL, "The server " + serverPath + " has no " + entryName);
  }
  return S_OK;
}

HRESULT CallRegistrationEntry(const std::string& serverPath, const char* entryName) {
  platform::Library library;
  void* entry = nullptr;
  HRESULT hr = LoadServerEntry(serverPath, entryName, &library, &entry);
  if (FAILED(hr)) return hr;
  // Same signature for both registration entries.
  return reinterpret_cast<DllRegisterServerFunction>(entry)();
}

}  // namespace

std::string ServerPathOf(const void* address) { return platform::ModulePathOf(address); }

HRESULT CreateObjectFromServer(const std::string& serverPath, const Guid& clsid, const Guid& iid,
                               void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (HRESULT hr = CheckApartment(); FAILED(hr)) return hr;
  platform::Library library;
  void* entry = nullptr;
  HRESULT hr = LoadServerEntry(serverPath, kDllGetClassObject, &library, &entry);
  if (FAILED(hr)) return hr;

  ComPtr<IClassFactory> factory;
  hr = reinterpret_cast<DllGetClassObjectFunction>(entry)(clsid, IID_IClassFactory,
                                                          factory.PutVoid());
  if (FAILED(hr) || !factory) {
    return Fail(FAILED(hr) ? hr : CLASS_E_CLASSNOTAVAILABLE,
                "The server " + serverPath + " does not serve the class " + clsid.ToString());
  }
  hr = factory->CreateInstance(nullptr, iid, out);
  // The object's code lives in the server: keep the library for the rest of the process
  // (a later load of the same file only raises the loader's count).
  library.Release();
  return hr;
}

HRESULT CreateObject(const std::string& progId, const Guid& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (HRESULT hr = CheckApartment(); FAILED(hr)) return hr;
  std::optional<Guid> clsid = ClassIdFromProgId(progId);
  if (!clsid) return Fail(REGDB_E_CLASSNOTREG, "The class " + progId + " is not registered");
  std::optional<ClassRegistration> registration = FindClass(*clsid);
  if (!registration || registration->serverPath.empty()) {
    return Fail(REGDB_E_CLASSNOTREG, "The class " + progId + " has no registered server");
  }
  return CreateObjectFromServer(registration->serverPath, *clsid, iid, out);
}

HRESULT RegisterServer(const std::string& serverPath) {
  return CallRegistrationEntry(serverPath, kDllRegisterServer);
}

HRESULT UnregisterServer(const std::string& serverPath) {
  return CallRegistrationEntry(serverPath, kDllUnregisterServer);
}

}  // namespace tolvo::runtime
