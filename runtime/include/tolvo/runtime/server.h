// What a component server library offers: the four exported entry points, and the class factory
// through which it creates its objects. A server learns its own path for registration with
// ServerPathOf(some function of its own).
#pragma once

#include <string>
#include <utility>

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

// Makes a T (which starts with one reference) and hands it out through `iid` as QueryInterface
// does. A failed allocation or construction is E_OUTOFMEMORY: nothing is thrown to the caller.
template <class T, class... Args>
HRESULT CreateAndQuery(const Guid& iid, void** out, Args&&... args) {
  if (!out) return E_POINTER;
  *out = nullptr;
  T* object = nullptr;
  try {
    object = new T(std::forward<Args>(args)...);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  const HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

// The class factory of a class T that has a default constructor and starts with one reference.
// A server's DllGetClassObject hands one out with CreateAndQuery<SimpleClassFactory<T>>.
template <class T>
class SimpleClassFactory final : public UnknownObject<IClassFactory, IID_IClassFactory> {
 public:
  HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateAndQuery<T>(iid, out);
  }
  // Servers created through CreateObject stay loaded for the process, so there is nothing to count.
  HRESULT LockServer(bool) override { return S_OK; }
};

}  // namespace tolvo::runtime

// The entry points a server library defines (at global scope, with these exact signatures).
TOLVO_SERVER_EXPORT tolvo::runtime::HRESULT DllRegisterServer();
TOLVO_SERVER_EXPORT tolvo::runtime::HRESULT DllUnregisterServer();
TOLVO_SERVER_EXPORT tolvo::runtime::HRESULT DllGetClassObject(const tolvo::runtime::Guid& clsid,
                                                              const tolvo::runtime::Guid& iid,
                                                              void** out);
TOLVO_SERVER_EXPORT tolvo::runtime::HRESULT DllCanUnloadNow();
