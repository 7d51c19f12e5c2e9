// Ready-made GetIDsOfNames and Invoke over an interface's type information, so that a class only
// maps a DISPID to its early-bound method.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tolvo/runtime/dispatch.h"
#include "tolvo/runtime/type_info.h"

namespace tolvo::runtime {

// GetIDsOfNames for `iface`: the member by name, then its parameters by name (their positions).
TOLVO_RUNTIME_API HRESULT GetIDsFromTable(const InterfaceInfo& iface,
                                          std::span<const std::u16string> names, DISPID* ids);

// Calls a method with its arguments bound to the declared types (BindArguments); it returns the
// early-bound HRESULT and may fill `result` (already empty on entry).
using MethodCall =
    std::function<HRESULT(const MethodInfo& method, std::vector<Variant>& args, Variant* result)>;

// Invoke for `iface`: DISP_E_MEMBERNOTFOUND for an unknown DISPID, the binding errors of
// BindArguments, else the call. The thread's error object is cleared before the call; when the
// call fails and has set one, the object is moved into `excep` and DISP_E_EXCEPTION returned;
// a failure without an error object is returned as it is.
TOLVO_RUNTIME_API HRESULT InvokeFromTable(const InterfaceInfo& iface, DISPID id, DispParams& params,
                                          Variant* result, ExcepInfo* excep,
                                          const MethodCall& call);

}  // namespace tolvo::runtime
