// The per-thread error object: how a failing method hands its caller an error number, a
// description and a source along with its failed HRESULT.
//
// A server method reports an error n like this:
//     return RaiseError(n, u"what went wrong");
// which sets the calling thread's error object and returns ControlErrorHResult(n). An early-bound
// caller that gets a failed HRESULT calls GetErrorInfo() to read (and thereby clear) the object;
// a late-bound caller gets DISP_E_EXCEPTION from Invoke with the object's contents in its ExcepInfo
// (see dispatch.h), and the object is cleared by then. Callers read the object only after a
// failure; a method that fails without setting one leaves the object empty.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tolvo/runtime/export.h"
#include "tolvo/runtime/hresult.h"

namespace tolvo::runtime {

struct ErrorInfo {
  HRESULT hresult = E_FAIL;  // ControlErrorHResult(n) for a control error n
  std::u16string description;
  std::u16string source;  // may be empty
  int32_t Number() const { return ErrorNumberOf(hresult); }
};

// Replaces the calling thread's error object.
TOLVO_RUNTIME_API void SetErrorInfo(ErrorInfo info);
// Returns the calling thread's error object and clears it; nullopt when there is none.
TOLVO_RUNTIME_API std::optional<ErrorInfo> GetErrorInfo();
TOLVO_RUNTIME_API void ClearErrorInfo();

// Sets the error object for control error `number` and returns ControlErrorHResult(number).
TOLVO_RUNTIME_API HRESULT RaiseError(int32_t number, std::u16string description,
                                     std::u16string source = {});

}  // namespace tolvo::runtime
