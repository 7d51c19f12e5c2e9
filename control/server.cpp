// The exports of libtolvomp3enc130.so: self-registration with the values of the type
// information, and the class factory of TolvoEncode.
#include "tolvo/runtime/server.h"

#include <new>
#include <string>

#include "tolvo/runtime/registry.h"
#include "tolvo_encode_object.h"
#include "type_library.h"

namespace tolvo::control {
namespace {

std::string ServerPath() {
  return runtime::ServerPathOf(reinterpret_cast<const void*>(&DllGetClassObject));
}

// Creates TolvoEncode objects. A failed allocation while a control is built becomes
// E_OUTOFMEMORY, so nothing is thrown back to the host.
class TolvoEncodeFactory final : public runtime::IClassFactory {
 public:
  HRESULT QueryInterface(const Guid& iid, void** out) override {
    if (!out) return runtime::E_POINTER;
    if (iid == runtime::IID_IUnknown || iid == runtime::IID_IClassFactory) {
      AddRef();
      *out = static_cast<runtime::IClassFactory*>(this);
      return runtime::S_OK;
    }
    *out = nullptr;
    return runtime::E_NOINTERFACE;
  }
  uint32_t AddRef() override { return refs_.Increment(); }
  uint32_t Release() override {
    const uint32_t left = refs_.Decrement();
    if (left == 0) delete this;
    return left;
  }
  HRESULT CreateInstance(runtime::IUnknown* outer, const Guid& iid, void** out) override {
    if (!out) return runtime::E_POINTER;
    *out = nullptr;
    if (outer) return runtime::CLASS_E_NOAGGREGATION;
    TolvoEncode* control = nullptr;
    try {
      control = new TolvoEncode();
    } catch (...) {
      return runtime::E_OUTOFMEMORY;
    }
    const HRESULT hr = control->QueryInterface(iid, out);
    control->Release();
    return hr;
  }
  // The library stays loaded for the process, so there is nothing to count.
  HRESULT LockServer(bool) override { return runtime::S_OK; }

 private:
  ~TolvoEncodeFactory() override = default;
  runtime::ReferenceCount refs_;
};

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
  auto* factory = new (std::nothrow) tolvo::control::TolvoEncodeFactory();
  if (!factory) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

// Created objects keep the library loaded for the process.
HRESULT DllCanUnloadNow() { return S_FALSE; }
