// A tiny component server for the runtime's tests: one class with a method that returns a value,
// one that fails with an error number, one with in/out parameters and one that raises an event.
#include <new>
#include <string>

#include "test_widget.h"
#include "tolvo/runtime/dispatch_table.h"
#include "tolvo/runtime/error_info.h"
#include "tolvo/runtime/registry.h"
#include "tolvo/runtime/server.h"

namespace tolvo::test {
namespace {

std::u16string Decimal(int32_t value) {
  std::string narrow = std::to_string(value);
  return std::u16string(narrow.begin(), narrow.end());
}

class TestWidget final : public ITestWidget, public IConnectionPointContainer {
 public:
  TestWidget() : events_(static_cast<ITestWidget&>(*this), DIID_TestWidgetEvents) {}

  HRESULT QueryInterface(const Guid& iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_ITestWidget) {
      *out = static_cast<ITestWidget*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
      *out = static_cast<IConnectionPointContainer*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  uint32_t AddRef() override { return refs_.Increment(); }
  uint32_t Release() override {
    uint32_t left = refs_.Decrement();
    if (left == 0) delete this;
    return left;
  }

  HRESULT FindConnectionPoint(const Guid& iid, IConnectionPoint** point) override {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != DIID_TestWidgetEvents) return CONNECT_E_NOCONNECTION;
    events_.AddRef();
    *point = &events_;
    return S_OK;
  }

  HRESULT GetIDsOfNames(std::span<const std::u16string> names, DISPID* ids) override {
    return GetIDsFromTable(kTestWidgetInterface, names, ids);
  }

  HRESULT Invoke(DISPID id, DispParams& params, Variant* result, ExcepInfo* excep) override {
    return InvokeFromTable(
        kTestWidgetInterface, id, params, result, excep,
        [this](const MethodInfo& method, std::vector<Variant>& args, Variant* out) -> HRESULT {
          int32_t value = 0;
          HRESULT hr = E_NOTIMPL;
          switch (method.dispid) {
            case kDispidTwice:
              hr = Twice(args[0].I4(), &value);
              if (SUCCEEDED(hr)) *out = Variant::FromI4(value);
              return hr;
            case kDispidFail:
              return Fail(args[0].I4(), out);
            case kDispidBump:
              hr = Bump(args[0].I4Ptr(), args[1].BstrPtr(), args[2].BoolPtr(), &value);
              if (SUCCEEDED(hr)) *out = Variant::FromI4(value);
              return hr;
            case kDispidAnnounce:
              return Announce(args[0].Bstr(), out);
          }
          return hr;
        });
  }

  HRESULT Twice(int32_t value, int32_t* result) override {
    if (!result) return E_POINTER;
    *result = value * 2;
    return S_OK;
  }

  HRESULT Fail(int32_t number, Variant*) override {
    return RaiseError(number, u"Failure " + Decimal(number), u"TestWidget");
  }

  HRESULT Bump(int32_t* counter, std::u16string* label, VARIANT_BOOL* flag,
               int32_t* result) override {
    if (!counter || !label || !flag || !result) return E_POINTER;
    *result = ++*counter;
    *label += u"+";
    *flag = *flag ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
  }

  HRESULT Announce(const std::u16string& text, Variant*) override {
    int32_t count = 1;
    std::u16string said = text;
    VARIANT_BOOL loud = VARIANT_FALSE;
    DispParams params{{Variant::RefI4(&count), Variant::RefBstr(&said), Variant::RefBool(&loud)}};
    events_.Fire(kDispidSaid, params);
    return S_OK;
  }

 private:
  ~TestWidget() override { events_.UnadviseAll(); }

  ReferenceCount refs_;
  ConnectionPoint events_;
};

std::string ServerPath() { return ServerPathOf(reinterpret_cast<const void*>(&DllGetClassObject)); }

}  // namespace
}  // namespace tolvo::test

using namespace tolvo::runtime;

HRESULT DllRegisterServer() {
  std::string path = tolvo::test::ServerPath();
  if (path.empty()) return E_FAIL;
  ClassRegistration r;
  r.clsid = tolvo::test::kTestWidgetClsid;
  r.name = "TestWidget";
  r.serverPath = path;
  r.progId = tolvo::test::kTestWidgetProgId;
  r.control = true;
  r.miscStatus = tolvo::test::kTestWidgetMiscStatus;
  r.toolboxBitmap = path + ",30000";
  r.typeLibrary = tolvo::test::kTestLibraryId;
  r.typeLibraryMajor = 1;
  r.typeLibraryMinor = 0;
  return RegisterClass(r);
}

HRESULT DllUnregisterServer() { return UnregisterClass(tolvo::test::kTestWidgetClsid); }

HRESULT DllGetClassObject(const Guid& clsid, const Guid& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != tolvo::test::kTestWidgetClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return CreateAndQuery<SimpleClassFactory<tolvo::test::TestWidget>>(iid, out);
}

// Objects made here keep the library loaded for the process anyway.
HRESULT DllCanUnloadNow() { return S_FALSE; }
