// An event sink for tests: records every event it hears and can run an action while it hears one.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tolvo/runtime/dispatch.h"

namespace tolvo::test {

struct HeardEvent {
  std::string sink;
  runtime::DISPID dispid;
  std::vector<uint16_t> types;  // the argument tags as received
  int32_t firstI4 = 0;          // the first argument, when it is an integer
};

class RecordingSink final : public runtime::IDispatch {
 public:
  RecordingSink(std::string name, std::vector<HeardEvent>* log)
      : name_(std::move(name)), log_(log) {}

  std::function<void(runtime::DispParams&)> onEvent;  // runs after the event is logged

  runtime::HRESULT QueryInterface(const runtime::Guid& iid, void** out) override {
    if (iid == runtime::IID_IUnknown || iid == runtime::IID_IDispatch) {
      AddRef();
      *out = static_cast<runtime::IDispatch*>(this);
      return runtime::S_OK;
    }
    *out = nullptr;
    return runtime::E_NOINTERFACE;
  }
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override {
    uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  runtime::HRESULT GetIDsOfNames(std::span<const std::u16string>, runtime::DISPID*) override {
    return runtime::E_NOTIMPL;
  }
  runtime::HRESULT Invoke(runtime::DISPID id, runtime::DispParams& params, runtime::Variant*,
                          runtime::ExcepInfo*) override {
    HeardEvent heard{name_, id, {}, 0};
    for (const runtime::Variant& v : params.arguments) heard.types.push_back(v.Type());
    if (!params.arguments.empty()) heard.firstI4 = params.arguments[0].I4();
    log_->push_back(heard);
    if (onEvent) onEvent(params);
    return runtime::S_OK;
  }

 private:
  ~RecordingSink() override = default;
  std::string name_;
  std::vector<HeardEvent>* log_;
  uint32_t refs_ = 1;
};

}  // namespace tolvo::test
