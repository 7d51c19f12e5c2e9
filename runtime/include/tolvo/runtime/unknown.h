// The root interface of every component object (interface lookup and reference counting), the
// fixed identifiers of the runtime's interfaces, and ComPtr, the owning pointer to an interface.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "tolvo/runtime/guid.h"
#include "tolvo/runtime/hresult.h"

namespace tolvo::runtime {

inline constexpr Guid IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr Guid IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr Guid IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr Guid IID_IConnectionPointContainer{
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr Guid IID_IConnectionPoint{
    0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

// An object lives while it has references; the last Release destroys it. QueryInterface hands out
// a new reference (AddRef done) or sets *out to null and returns E_NOINTERFACE.
class IUnknown {
 public:
  virtual HRESULT QueryInterface(const Guid& iid, void** out) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  virtual ~IUnknown() = default;  // objects end through Release, never through delete
};

// The counter an implementation keeps; atomic so that a reference may be dropped on any thread.
class ReferenceCount {
 public:
  explicit ReferenceCount(uint32_t initial = 1) : count_(initial) {}
  uint32_t Increment() { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
  // Returns the count left; 0 means the caller must destroy the object.
  uint32_t Decrement() { return count_.fetch_sub(1, std::memory_order_acq_rel) - 1; }

 private:
  std::atomic<uint32_t> count_;
};

// The IUnknown part of an object that offers one interface: QueryInterface answers IID_IUnknown
// and the listed interface ids with `Interface`, the count starts at one, and the last Release
// deletes the object. For example
//   class Sink final : public UnknownObject<IDispatch, IID_IDispatch, DIID_Events> { ... };
template <class Interface, Guid... kOffered>
class UnknownObject : public Interface {
 public:
  HRESULT QueryInterface(const Guid& iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid != IID_IUnknown && ((iid != kOffered) && ...)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *out = static_cast<Interface*>(this);
    return S_OK;
  }
  uint32_t AddRef() override { return refs_.Increment(); }
  uint32_t Release() override {
    const uint32_t left = refs_.Decrement();
    if (left == 0) delete this;
    return left;
  }

 private:
  ReferenceCount refs_;
};

// Holds one reference to an interface. Constructing from a raw pointer takes a new reference;
// Adopt takes over a reference the caller already owns (for example one returned through void**).
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  static ComPtr Adopt(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { Reset(); }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Gives up the reference without releasing it.
  T* Detach() { return std::exchange(p_, nullptr); }
  // Releases what is held and returns the slot for an out-parameter that hands over a reference.
  T** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }

  // QueryInterface into another ComPtr.
  template <class U>
  HRESULT As(const Guid& iid, ComPtr<U>* out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(iid, out->PutVoid());
  }

 private:
  T* p_ = nullptr;
};

}  // namespace tolvo::runtime
