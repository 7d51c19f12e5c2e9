// Events: a source object offers one connection point per event interface; a host advises its
// sink (an IDispatch) and gets a cookie; the source fires each event synchronously to every sink
// in turn through Invoke, arguments by reference.
#pragma once

#include <cstdint>
#include <vector>

#include "tolvo/runtime/dispatch.h"
#include "tolvo/runtime/export.h"
#include "tolvo/runtime/unknown.h"

namespace tolvo::runtime {

class IConnectionPoint : public IUnknown {
 public:
  virtual HRESULT GetConnectionInterface(Guid* iid) = 0;
  // Keeps a reference to `sink` until Unadvise; cookies are never 0. E_POINTER for a null sink.
  virtual HRESULT Advise(IDispatch* sink, uint32_t* cookie) = 0;
  // CONNECT_E_NOCONNECTION for a cookie that is not connected.
  virtual HRESULT Unadvise(uint32_t cookie) = 0;
};

class IConnectionPointContainer : public IUnknown {
 public:
  // The connection point for event interface `iid` (a new reference), or CONNECT_E_NOCONNECTION.
  virtual HRESULT FindConnectionPoint(const Guid& iid, IConnectionPoint** point) = 0;
};

// A connection point that lives inside its source object: its references are the owner's (so
// the owner lives while a host holds the point) and it answers QueryInterface for IUnknown and
// IConnectionPoint. Used on the owner's thread only.
class TOLVO_RUNTIME_API ConnectionPoint final : public IConnectionPoint {
 public:
  ConnectionPoint(IUnknown& owner, const Guid& eventInterface);
  ~ConnectionPoint() override;
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;

  HRESULT QueryInterface(const Guid& iid, void** out) override;
  uint32_t AddRef() override;
  uint32_t Release() override;
  HRESULT GetConnectionInterface(Guid* iid) override;
  HRESULT Advise(IDispatch* sink, uint32_t* cookie) override;
  HRESULT Unadvise(uint32_t cookie) override;

  // Calls Invoke(dispid, params) on each sink in the order they were advised and ignores their
  // results. A sink unadvised during the event is not called afterwards; one advised during it
  // first hears the next event. The owner is kept alive until the event has gone round, so a
  // handler may release its last reference to the source.
  void Fire(DISPID dispid, DispParams& params);

  // Drops every sink, e.g. when the owner is being destroyed.
  void UnadviseAll();

 private:
  struct Connection {
    uint32_t cookie;
    ComPtr<IDispatch> sink;
  };
  bool IsConnected(uint32_t cookie) const;

  IUnknown& owner_;
  Guid eventInterface_;
  std::vector<Connection> sinks_;
  uint32_t nextCookie_ = 1;
};

}  // namespace tolvo::runtime
