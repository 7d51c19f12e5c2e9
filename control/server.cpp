// The exports of libtolvomp3enc130.so: self-registration with the values of the type
// information, and the class factory of TolvoEncode.
#include "tolvo/runtime/server.h"

#include <string>

#include "tolvo/runtime/registry.h"
#include "tolvo_encode_object.h"
#include "type_library.h"

namespace tolvo::control {
namespace {

std::string ServerPath() {
  return runtime::ServerPathOf(reinterpret_cast<const void*>(&DllGetClassObject));
}

}  // namespace
}  // namespace tolvo::control

using namespace tolvo::runtime;

HRESULT DllRegisterServer() {
  const std::string path = tolvo::control::ServerPath();
  if (path.empty()) return E_FAIL;
  ClassRegistration registration;
  registration.clsid = tolvo::control::CLSID_TolvoEncode;
  registration.name = std::string(tolvo::control::kTolvoEncodeClass.name);
  registration.serverPath = path;
  registration.progId = tolvo::control::kTolvoEncodeProgId;
  registration.threadingModel = "Apartment";
  registration.control = true;
  registration.miscStatus = tolvo::control::kMiscStatus;
  registration.toolboxBitmap = path + "," + std::to_string(tolvo::control::kToolboxBitmapResource);
  registration.typeLibrary = tolvo::control::LIBID_TolvoMP3Encode130;
  registration.typeLibraryMajor = tolvo::control::kTypeLibraryMajor;
  registration.typeLibraryMinor = tolvo::control::kTypeLibraryMinor;
  return RegisterClass(registration);
}

HRESULT DllUnregisterServer() { return UnregisterClass(tolvo::control::CLSID_TolvoEncode); }

HRESULT DllGetClassObject(const Guid& clsid, const Guid& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != tolvo::control::CLSID_TolvoEncode) return CLASS_E_CLASSNOTAVAILABLE;
  // The factory makes TolvoEncode objects; a failed allocation while one is built is
  // E_OUTOFMEMORY, so nothing is thrown back to the host.
  return CreateAndQuery<SimpleClassFactory<tolvo::control::TolvoEncode>>(iid, out);
}

// Created objects keep the library loaded for the process.
HRESULT DllCanUnloadNow() { return S_FALSE; }
