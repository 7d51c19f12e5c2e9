// Late binding: IDispatch finds members by name and calls them by DISPID with Variant arguments.
// A failed call that set an error object (error_info.h) comes back as DISP_E_EXCEPTION with the
// object's number, description and source in the ExcepInfo.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tolvo/runtime/error_info.h"
#include "tolvo/runtime/unknown.h"
#include "tolvo/runtime/variant.h"

namespace tolvo::runtime {

using DISPID = int32_t;
inline constexpr DISPID DISPID_UNKNOWN = -1;

// The arguments of one call, in declaration order: arguments[0] is the first parameter. (COM's
// DISPPARAMS holds them the other way round; here they read as the call is written.) In/out
// parameters are passed in the by-reference forms; named arguments are not supported.
struct DispParams {
  std::vector<Variant> arguments;
};

// What a failed call reported through its error object.
struct ExcepInfo {
  HRESULT scode = S_OK;  // the method's failed HRESULT, e.g. ControlErrorHResult(5007)
  std::u16string description;
  std::u16string source;
  int32_t Number() const { return ErrorNumberOf(scode); }
};

class IDispatch : public IUnknown {
 public:
  // names[0] is a member name, the rest names of its parameters; ids gets one DISPID per name
  // (a parameter's DISPID is its position). Names compare without regard to letter case. Unknown
  // names get DISPID_UNKNOWN and the call returns DISP_E_UNKNOWNNAME.
  virtual HRESULT GetIDsOfNames(std::span<const std::u16string> names, DISPID* ids) = 0;
  // Calls member `id`. `result` (may be null) receives the method's result; `excep` (may be null)
  // is filled when the result is DISP_E_EXCEPTION.
  virtual HRESULT Invoke(DISPID id, DispParams& params, Variant* result, ExcepInfo* excep) = 0;
};

}  // namespace tolvo::runtime
