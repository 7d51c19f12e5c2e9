// The per-thread error object. It lives in this shared library so that a server and its host,
// which both link it, see one object per thread.
#include "tolvo/runtime/error_info.h"

#include <utility>

namespace tolvo::runtime {
namespace {

std::optional<ErrorInfo>& ThreadErrorObject() {
  thread_local std::optional<ErrorInfo> object;
  return object;
}

}  // namespace

void SetErrorInfo(ErrorInfo info) { ThreadErrorObject() = std::move(info); }

std::optional<ErrorInfo> GetErrorInfo() {
  std::optional<ErrorInfo> taken = std::move(ThreadErrorObject());
  ThreadErrorObject().reset();
  return taken;
}

void ClearErrorInfo() { ThreadErrorObject().reset(); }

HRESULT RaiseError(int32_t number, std::u16string description, std::u16string source) {
  HRESULT hr = ControlErrorHResult(number);
  SetErrorInfo(ErrorInfo{hr, std::move(description), std::move(source)});
  return hr;
}

}  // namespace tolvo::runtime
