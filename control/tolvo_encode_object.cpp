// TolvoEncode's life cycle, interfaces, events, size rule and persistence.
#include "tolvo_encode_object.h"

#include "tolvo/engine/interface1.h"
#include "tolvo/platform/event_descriptor.h"
#include "tolvo/runtime/dispatch_table.h"
#include "tolvo_encode_engine.h"
#include "type_library.h"

namespace tolvo::control {

using runtime::DispParams;
using runtime::E_NOINTERFACE;
using runtime::E_POINTER;
using runtime::S_OK;

TolvoEncode::TolvoEncode() : TolvoEncode(std::make_unique<MP3ClassLink>()) {}

TolvoEncode::TolvoEncode(std::unique_ptr<EngineLink> engine)
    : engine_(std::move(engine)),
      events_(static_cast<_TolvoEncode&>(*this), DIID___TolvoEncode),
      timer1_(apartment_.Context(), kTimer1IntervalMs, [this] { OnTimer1(); }),
      orchestration_(*engine_, static_cast<ControlEvents&>(*this), static_cast<PollTimer&>(*this)) {
}

TolvoEncode::~TolvoEncode() { events_.UnadviseAll(); }

HRESULT TolvoEncode::QueryInterface(const Guid& iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == runtime::IID_IUnknown || iid == runtime::IID_IDispatch || iid == IID__TolvoEncode) {
    *out = static_cast<_TolvoEncode*>(this);
  } else if (iid == runtime::IID_IConnectionPointContainer) {
    *out = static_cast<runtime::IConnectionPointContainer*>(this);
  } else if (iid == IID_IControlExtent) {
    *out = static_cast<IControlExtent*>(this);
  } else if (iid == IID_IPersistPropertyBag) {
    *out = static_cast<IPersistPropertyBag*>(this);
  } else if (iid == IID_IEncoderTuning) {
    *out = static_cast<IEncoderTuning*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

uint32_t TolvoEncode::AddRef() { return refs_.Increment(); }

uint32_t TolvoEncode::Release() {
  const uint32_t left = refs_.Decrement();
  if (left == 0) {
    Terminate();
    delete this;
  }
  return left;
}

void TolvoEncode::Terminate() {
  // Nothing reaches the sinks from here on, not even the end of a job cancelled below.
  terminating_ = true;
  timer1_.Disable();
  if (!engine_->IsLoaded()) return;
  try {
    orchestration_.MP3EncodeCancel();
    orchestration_.ReleaseJobEndSignal();
  } catch (...) {
    // The engine was loaded, so these cannot fail to reach it; nothing may escape anyway.
  }
  engine_->Deinit();
}

void TolvoEncode::OnTimer1() {
  if (terminating_) return;
  runtime::ComPtr<_TolvoEncode> self(this);
  try {
    orchestration_.Tick();
  } catch (...) {
    // The tick runs on the host's loop, where no caller could receive an error: stop polling.
    timer1_.Disable();
  }
}

void TolvoEncode::TickWhenReadable(int descriptor) {
  jobEndWatch_ =
      std::make_unique<runtime::DescriptorWatch>(timer1_, descriptor, [this, descriptor] {
        platform::DrainEventDescriptor(descriptor);
        // The descriptor is signalled by every job of the shared engine; only a control that is
        // polling a job of its own reports an end.
        if (timer1_.IsEnabled()) OnTimer1();
      });
}

void TolvoEncode::FireEvent(DISPID dispid, DispParams& params) {
  if (terminating_) return;
  events_.Fire(dispid, params);
}

// Every event passes copies by reference: what a handler writes into them stays with the copies.
void TolvoEncode::ErrorCode(int32_t errorNumber, const std::u16string& errorDescription) {
  int32_t number = errorNumber;
  std::u16string description = errorDescription;
  DispParams params{{Variant::RefI4(&number), Variant::RefBstr(&description)}};
  FireEvent(kDispidErrorCode, params);
}

void TolvoEncode::Finished() {
  DispParams params;
  FireEvent(kDispidFinished, params);
}

void TolvoEncode::Progress(int32_t progressAsLong) {
  int32_t progress = progressAsLong;
  DispParams params{{Variant::RefI4(&progress)}};
  FireEvent(kDispidProgress, params);
}

void TolvoEncode::ID3v1GenreList(bool clearFlag, const std::u16string& genre) {
  runtime::VARIANT_BOOL clear = clearFlag ? runtime::VARIANT_TRUE : runtime::VARIANT_FALSE;
  std::u16string name = genre;
  DispParams params{{Variant::RefBool(&clear), Variant::RefBstr(&name)}};
  FireEvent(kDispidID3v1GenreList, params);
}

HRESULT TolvoEncode::FindConnectionPoint(const Guid& iid, runtime::IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (HRESULT hr = apartment_.CheckCaller(kObjectName); runtime::FAILED(hr)) return hr;
  if (iid != DIID___TolvoEncode) return runtime::CONNECT_E_NOCONNECTION;
  events_.AddRef();
  *point = &events_;
  return S_OK;
}

HRESULT TolvoEncode::GetIDsOfNames(std::span<const std::u16string> names, DISPID* ids) {
  return runtime::GetIDsFromTable(kTolvoEncodeInterface, names, ids);
}

HRESULT TolvoEncode::SetExtent(int32_t, int32_t) {
  // The control keeps itself a 550 x 550 twips square: the height first, then the width.
  heightTwips_ = kControlSizeTwips;
  widthTwips_ = kControlSizeTwips;
  return S_OK;
}

HRESULT TolvoEncode::GetExtent(int32_t* widthTwips, int32_t* heightTwips) {
  if (!widthTwips || !heightTwips) return E_POINTER;
  *widthTwips = widthTwips_;
  *heightTwips = heightTwips_;
  return S_OK;
}

HRESULT TolvoEncode::SetEncoderThreads(int32_t count) {
  if (count < 0) return runtime::E_INVALIDARG;
  return Guarded([&] { orchestration_.SelectEncoderThreads(count); });
}

HRESULT TolvoEncode::InitNew() { return S_OK; }

HRESULT TolvoEncode::Load(IPropertyBag* bag) { return bag ? S_OK : E_POINTER; }

HRESULT TolvoEncode::Save(IPropertyBag* bag, bool, bool) { return bag ? S_OK : E_POINTER; }

HRESULT TolvoEncode::SetVbrQuality(int32_t quality) {
  if (quality < kBestVbrQuality || quality > kLeastVbrQuality) return runtime::E_INVALIDARG;
  return Guarded([&] {
    engine_->Init();
    engine_->CallWindowLONG(engine::commands::kVbrQuality, quality, 0, 0);
  });
}

}  // namespace tolvo::control
