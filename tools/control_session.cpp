// Creation of the control, its event sink, and the lookup of the control library beside tolvo.
#include "control_session.h"

#include <cstdio>
#include <filesystem>

#include "tolvo/platform/executable_path.h"
#include "tolvo/runtime/create_object.h"
#include "tolvo/runtime/error_info.h"
#include "tolvo/system_files.h"
#include "utf_text.h"

namespace tolvo::tool {
namespace {

using runtime::DispParams;
using runtime::HRESULT;

// Receives __TolvoEncode events and passes them to the session's handlers.
class EventSink final : public runtime::IDispatch {
 public:
  explicit EventSink(std::shared_ptr<ControlEvents> events) : events_(std::move(events)) {}

  HRESULT QueryInterface(const runtime::Guid& iid, void** out) override {
    if (!out) return runtime::E_POINTER;
    if (iid == runtime::IID_IUnknown || iid == runtime::IID_IDispatch ||
        iid == control::DIID___TolvoEncode) {
      AddRef();
      *out = static_cast<runtime::IDispatch*>(this);
      return runtime::S_OK;
    }
    *out = nullptr;
    return runtime::E_NOINTERFACE;
  }
  uint32_t AddRef() override { return refs_.Increment(); }
  uint32_t Release() override {
    uint32_t left = refs_.Decrement();
    if (left == 0) delete this;
    return left;
  }
  HRESULT GetIDsOfNames(std::span<const std::u16string>, runtime::DISPID*) override {
    return runtime::E_NOTIMPL;
  }
  HRESULT Invoke(runtime::DISPID id, DispParams& params, runtime::Variant*,
                 runtime::ExcepInfo*) override {
    const auto& a = params.arguments;
    ControlEvents& e = *events_;
    switch (id) {
      case control::kDispidErrorCode:
        if (e.onErrorCode && a.size() >= 2) e.onErrorCode(a[0].I4(), a[1].Bstr());
        break;
      case control::kDispidFinished:
        if (e.onFinished) e.onFinished();
        break;
      case control::kDispidProgress:
        if (e.onProgress && !a.empty()) e.onProgress(a[0].I4());
        break;
      case control::kDispidID3v1GenreList:
        if (e.onGenreList && a.size() >= 2) e.onGenreList(a[0].Bool(), a[1].Bstr());
        break;
      default:
        return runtime::DISP_E_MEMBERNOTFOUND;
    }
    return runtime::S_OK;
  }

 private:
  ~EventSink() override = default;
  std::shared_ptr<ControlEvents> events_;
  runtime::ReferenceCount refs_;
};

}  // namespace

std::string ControlLibraryBesideTool() {
  namespace fs = std::filesystem;
  std::string program = platform::ExecutablePath();
  if (program.empty()) return {};
  fs::path folder = fs::path(program).parent_path();
  for (const fs::path& candidate :
       {folder / kControlLibraryName, folder / TOLVO_LIBDIR_FROM_BINDIR / kControlLibraryName}) {
    std::error_code ignored;
    if (fs::is_regular_file(candidate, ignored)) return candidate.lexically_normal().string();
  }
  return {};
}

std::string FailureText(HRESULT hr) {
  if (std::optional<runtime::ErrorInfo> info = runtime::GetErrorInfo();
      info && !info->description.empty()) {
    return Utf16ToUtf8(info->description);
  }
  char text[48];
  std::snprintf(text, sizeof text, "failed with 0x%08X", static_cast<unsigned>(hr));
  return text;
}

std::unique_ptr<ControlSession> ControlSession::Open(std::string* error) {
  std::unique_ptr<ControlSession> session(new ControlSession());
  HRESULT hr = runtime::CreateObject(control::kTolvoEncodeProgId, control::IID__TolvoEncode,
                                     session->control_.PutVoid());
  if (runtime::FAILED(hr)) {
    // Not registered (or registered to a file that is gone): use the control installed with us.
    runtime::ClearErrorInfo();
    std::string beside = ControlLibraryBesideTool();
    if (beside.empty()) {
      *error = std::string("the TolvoEncode control is not registered and ") + kControlLibraryName +
               " is not installed beside tolvo";
      return nullptr;
    }
    hr = runtime::CreateObjectFromServer(beside, control::CLSID_TolvoEncode,
                                         control::IID__TolvoEncode, session->control_.PutVoid());
    if (runtime::FAILED(hr) || !session->control_) {
      *error = "cannot create the TolvoEncode control: " + FailureText(hr);
      return nullptr;
    }
  }

  runtime::ComPtr<runtime::IConnectionPointContainer> container;
  if (runtime::FAILED(session->control_.As(runtime::IID_IConnectionPointContainer, &container)) ||
      runtime::FAILED(
          container->FindConnectionPoint(control::DIID___TolvoEncode, session->point_.Put()))) {
    *error = "the TolvoEncode control offers no __TolvoEncode events";
    return nullptr;
  }
  session->events_ = std::make_shared<ControlEvents>();
  auto sink = runtime::ComPtr<runtime::IDispatch>::Adopt(new EventSink(session->events_));
  hr = session->point_->Advise(sink.get(), &session->cookie_);
  if (runtime::FAILED(hr)) {
    *error = "cannot connect to the TolvoEncode events: " + FailureText(hr);
    return nullptr;
  }
  return session;
}

ControlSession::~ControlSession() {
  if (point_ && cookie_ != 0) point_->Unadvise(cookie_);
  point_.Reset();
  // Releasing the control cancels a job that still runs and lets the engine go.
  control_.Reset();
}

}  // namespace tolvo::tool
