// Hearing the events of a TolvoEncode control: handlers for the four events of __TolvoEncode and
// a connection that advises a sink forwarding each event to them, until it is destroyed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tolvo/control/tolvo_encode.h"
#include "tolvo/runtime/connection_point.h"

namespace tolvo::control {

// Unset handlers ignore their event. Arguments are read through the event's references.
struct TolvoEncodeEvents {
  std::function<void(int32_t number, const std::u16string& description)> onErrorCode;
  std::function<void()> onFinished;
  std::function<void(int32_t percent)> onProgress;
  std::function<void(bool clear, const std::u16string& genre)> onGenreList;
};

// An IDispatch sink of __TolvoEncode that hands each event to the handlers.
class TolvoEncodeEventSink final
    : public runtime::UnknownObject<runtime::IDispatch, runtime::IID_IDispatch,
                                    DIID___TolvoEncode> {
 public:
  explicit TolvoEncodeEventSink(std::shared_ptr<TolvoEncodeEvents> events)
      : events_(std::move(events)) {}

  HRESULT GetIDsOfNames(std::span<const std::u16string>, DISPID*) override {
    return runtime::E_NOTIMPL;
  }
  HRESULT Invoke(DISPID id, runtime::DispParams& params, Variant*, runtime::ExcepInfo*) override {
    const auto& a = params.arguments;
    const TolvoEncodeEvents& e = *events_;
    switch (id) {
      case kDispidErrorCode:
        if (e.onErrorCode && a.size() >= 2) e.onErrorCode(a[0].I4(), a[1].Bstr());
        break;
      case kDispidFinished:
        if (e.onFinished) e.onFinished();
        break;
      case kDispidProgress:
        if (e.onProgress && !a.empty()) e.onProgress(a[0].I4());
        break;
      case kDispidID3v1GenreList:
        if (e.onGenreList && a.size() >= 2) e.onGenreList(a[0].Bool(), a[1].Bstr());
        break;
      default:
        return runtime::DISP_E_MEMBERNOTFOUND;
    }
    return runtime::S_OK;
  }

 private:
  ~TolvoEncodeEventSink() override = default;
  std::shared_ptr<TolvoEncodeEvents> events_;
};

// One sink advised to one control's events; destroying the connection unadvises it.
class TolvoEncodeConnection {
 public:
  TolvoEncodeConnection() = default;
  ~TolvoEncodeConnection() { Disconnect(); }
  TolvoEncodeConnection(const TolvoEncodeConnection&) = delete;
  TolvoEncodeConnection& operator=(const TolvoEncodeConnection&) = delete;

  // Advises a sink with `events` on `control` (any interface of it). On failure the error object
  // may be set, as by the calls that failed.
  HRESULT Connect(runtime::IUnknown& control, std::shared_ptr<TolvoEncodeEvents> events) {
    Disconnect();
    runtime::ComPtr<runtime::IConnectionPointContainer> container;
    HRESULT hr =
        control.QueryInterface(runtime::IID_IConnectionPointContainer, container.PutVoid());
    if (runtime::FAILED(hr)) return hr;
    hr = container->FindConnectionPoint(DIID___TolvoEncode, point_.Put());
    if (runtime::FAILED(hr)) return hr;
    auto sink =
        runtime::ComPtr<runtime::IDispatch>::Adopt(new TolvoEncodeEventSink(std::move(events)));
    hr = point_->Advise(sink.get(), &cookie_);
    if (runtime::FAILED(hr)) point_.Reset();
    return hr;
  }
  void Disconnect() {
    if (point_ && cookie_ != 0) point_->Unadvise(cookie_);
    cookie_ = 0;
    point_.Reset();
  }

 private:
  runtime::ComPtr<runtime::IConnectionPoint> point_;
  uint32_t cookie_ = 0;
};

}  // namespace tolvo::control
