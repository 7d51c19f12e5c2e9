// A connection point embedded in its source object: keeps the advised sinks and fires events to
// them in turn, surviving sinks that unadvise and owners that are released during an event.
#include "tolvo/runtime/connection_point.h"

#include <algorithm>

namespace tolvo::runtime {

ConnectionPoint::ConnectionPoint(IUnknown& owner, const Guid& eventInterface)
    : owner_(owner), eventInterface_(eventInterface) {}

ConnectionPoint::~ConnectionPoint() = default;

HRESULT ConnectionPoint::QueryInterface(const Guid& iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
    AddRef();
    *out = static_cast<IConnectionPoint*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

uint32_t ConnectionPoint::AddRef() { return owner_.AddRef(); }
uint32_t ConnectionPoint::Release() { return owner_.Release(); }

HRESULT ConnectionPoint::GetConnectionInterface(Guid* iid) {
  if (!iid) return E_POINTER;
  *iid = eventInterface_;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IDispatch* sink, uint32_t* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = nextCookie_++;
  if (nextCookie_ == 0) nextCookie_ = 1;  // 0 is never a cookie
  sinks_.push_back(Connection{*cookie, ComPtr<IDispatch>(sink)});
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(uint32_t cookie) {
  auto it = std::find_if(sinks_.begin(), sinks_.end(),
                         [cookie](const Connection& c) { return c.cookie == cookie; });
  if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
  // Moved out first: releasing the sink may call back into this point.
  ComPtr<IDispatch> sink = std::move(it->sink);
  sinks_.erase(it);
  return S_OK;
}

void ConnectionPoint::UnadviseAll() {
  std::vector<Connection> dropped = std::move(sinks_);
  sinks_.clear();
}

bool ConnectionPoint::IsConnected(uint32_t cookie) const {
  return std::any_of(sinks_.begin(), sinks_.end(),
                     [cookie](const Connection& c) { return c.cookie == cookie; });
}

void ConnectionPoint::Fire(DISPID dispid, DispParams& params) {
  // The owner (and with it this point) lives until the event has gone round.
  ComPtr<IUnknown> keepOwner(&owner_);
  // A snapshot, with its own references, so that handlers may advise and unadvise freely.
  std::vector<Connection> snapshot = sinks_;
  for (Connection& connection : snapshot) {
    if (!IsConnected(connection.cookie)) continue;
    Variant ignored;
    connection.sink->Invoke(dispid, params, &ignored, nullptr);
  }
}

}  // namespace tolvo::runtime
