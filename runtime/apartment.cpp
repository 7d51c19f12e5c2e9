// Apartments over GLib's thread-default main contexts; the count of EnterApartment calls is per
// thread.
#include "tolvo/runtime/apartment.h"

#include <glib.h>

#include <string>

#include "tolvo/platform/thread_identity.h"
#include "tolvo/runtime/error_info.h"

namespace tolvo::runtime {
namespace {

struct ThreadApartment {
  int entered = 0;
  GMainContext* pushed = nullptr;  // the context EnterApartment pushed, if it pushed one

  void Pop() {
    if (!pushed) return;
    // Only the context on top can be popped; a host that pushed another one over it and never
    // popped it keeps both alive rather than corrupting the stack.
    if (g_main_context_get_thread_default() == pushed) g_main_context_pop_thread_default(pushed);
    g_main_context_unref(pushed);
    pushed = nullptr;
  }
  // A thread that ends without leaving gives its context back.
  ~ThreadApartment() { Pop(); }
};

ThreadApartment& ThisThread() {
  thread_local ThreadApartment apartment;
  return apartment;
}

bool HasOwnContext() { return g_main_context_get_thread_default() != nullptr; }

}  // namespace

HRESULT EnterApartment() {
  ThreadApartment& apartment = ThisThread();
  if (apartment.entered++ > 0 || HasOwnContext() || platform::IsMainThread()) return S_FALSE;
  apartment.pushed = g_main_context_new();
  g_main_context_push_thread_default(apartment.pushed);
  return S_OK;
}

void LeaveApartment() {
  ThreadApartment& apartment = ThisThread();
  if (apartment.entered == 0) return;  // unmatched: nothing to leave
  if (--apartment.entered == 0) apartment.Pop();
}

bool InApartment() { return HasOwnContext() || platform::IsMainThread(); }

HRESULT CheckApartment() {
  if (InApartment()) return S_OK;
  SetErrorInfo(ErrorInfo{CO_E_NOTINITIALIZED,
                         u"This thread has no main context of its own: call "
                         u"tolvo::runtime::EnterApartment (or push a thread-default GMainContext) "
                         u"before creating objects on it",
                         u"tolvo runtime"});
  return CO_E_NOTINITIALIZED;
}

ApartmentTie::ApartmentTie()
    : owner_(std::this_thread::get_id()), context_(g_main_context_ref_thread_default()) {}

ApartmentTie::~ApartmentTie() { g_main_context_unref(context_); }

HRESULT ApartmentTie::CheckCaller(std::u16string_view objectName) const {
  if (OnOwnerThread()) return S_OK;
  std::u16string description(objectName);
  description +=
      u" belongs to the thread that created it: call it from that thread, whose main loop runs "
      u"its timer and events";
  SetErrorInfo(ErrorInfo{RPC_E_WRONG_THREAD, std::move(description), std::u16string(objectName)});
  return RPC_E_WRONG_THREAD;
}

}  // namespace tolvo::runtime
