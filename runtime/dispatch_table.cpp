// GetIDsOfNames and Invoke driven by an interface's type information.
#include "tolvo/runtime/dispatch_table.h"

namespace tolvo::runtime {

HRESULT GetIDsFromTable(const InterfaceInfo& iface, std::span<const std::u16string> names,
                        DISPID* ids) {
  if (names.empty()) return S_OK;
  if (!ids) return E_POINTER;
  HRESULT hr = S_OK;
  const MethodInfo* method = FindByName(iface, names[0]);
  ids[0] = method ? method->dispid : DISPID_UNKNOWN;
  if (!method) hr = DISP_E_UNKNOWNNAME;
  for (size_t i = 1; i < names.size(); ++i) {
    ids[i] = DISPID_UNKNOWN;
    if (method) {
      for (size_t p = 0; p < method->params.size(); ++p) {
        if (NamesEqualIgnoringCase(method->params[p].name, names[i]))
          ids[i] = static_cast<DISPID>(p);
      }
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT InvokeFromTable(const InterfaceInfo& iface, DISPID id, DispParams& params, Variant* result,
                        ExcepInfo* excep, const MethodCall& call) {
  const MethodInfo* method = FindByDispid(iface, id);
  if (!method) return DISP_E_MEMBERNOTFOUND;
  std::vector<Variant> args;
  HRESULT hr = BindArguments(*method, params, &args);
  if (FAILED(hr)) return hr;

  // A stale error object of an earlier call must not be taken for this call's.
  ClearErrorInfo();
  Variant value;
  hr = call(*method, args, &value);
  if (FAILED(hr)) {
    std::optional<ErrorInfo> error = GetErrorInfo();
    if (!error) return hr;
    if (excep)
      *excep = ExcepInfo{error->hresult, std::move(error->description), std::move(error->source)};
    return DISP_E_EXCEPTION;
  }
  if (result) *result = std::move(value);
  return hr;
}

}  // namespace tolvo::runtime
