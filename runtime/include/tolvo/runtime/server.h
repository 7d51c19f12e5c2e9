// What a component server library offers: the four exported entry points, and the class factory
// through which it creates its objects. A server learns its own path for registration with
// ServerPathOf(some function of its own).
#pragma once

#include <atomic>
#include <new>
#include <string>

#include "tolvo/runtime/export.h"
#include "tolvo/runtime/guid.h"
#include "tolvo/runtime/hresult.h"
#include "tolvo/runtime/unknown.h"

namespace tolvo::runtime {

class IClassFactory : public IUnknown {
 public:
  // Aggregation is not supported: a non-null `outer` gives CLASS_E_NOAGGREGATION.
  virtual HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** out) = 0;
  virtual HRESULT LockServer(bool lock) = 0;
};

// Symbols and signatures of the server's exports.
inline constexpr const char* kDllRegisterServer = "DllRegisterServer";
inline constexpr const char* kDllUnregisterServer = "DllUnregisterServer";
inline constexpr const char* kDllGetClassObject = "DllGetClassObject";
inline constexpr const char* kDllCanUnloadNow = "DllCanUnloadNow";
using DllRegisterServerFunction = HRESULT (*)();
using DllUnregisterServerFunction = HRESULT (*)();
using DllGetClassObjectFunction = HRESULT (*)(const Guid& clsid, const Guid& iid, void** out);
using DllCanUnloadNowFunction = HRESULT (*)();

// Full path of the loaded library that contains `address`; empty when it cannot be told.
TOLVO_RUNTIME_API std::string ServerPathOf(const void* address);

// The class factory of a class T that has a default constructor and starts with one reference.
template <class T>
class SimpleClassFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(const Guid& iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      AddRef();
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  uint32_t AddRef() override { return refs_.Increment(); }
  uint32_t Release() override {
    uint32_t left = refs_.Decrement();
    if (left == 0) delete this;
    return left;
  }
  HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    T* object = new (std::nothrow) T();
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
  }
  // Servers created through CreateObject stay loaded for the process, so there is nothing to count.
  HRESULT LockServer(bool) override { return S_OK; }

 private:
  ReferenceCount refs_;
};

}  // namespace tolvo::runtime

// The entry points a server library defines (at global scope, with these exact signatures).
TOLVO_SERVER_EXPORT tolvo::runtime::HRESULT DllRegisterServer();
TOLVO_SERVER_EXPORT tolvo::runtime::HRESULT DllUnregisterServer();
TOLVO_SERVER_EXPORT tolvo::runtime::HRESULT DllGetClassObject(const tolvo::runtime::Guid& clsid,
                                                              const tolvo::runtime::Guid& iid,
                                                              void** out);
TOLVO_SERVER_EXPORT tolvo::runtime::HRESULT DllCanUnloadNow();
