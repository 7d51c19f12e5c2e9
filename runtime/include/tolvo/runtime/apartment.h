// Apartments: the thread an object belongs to and the GLib main context its timers, watches and
// events run on. This plays the role of CoInitialize / CoUninitialize.
//
// A thread is in an apartment when
//   - it called EnterApartment (which gives a thread without a context of its own a new
//     GMainContext, pushed as its thread-default context), or
//   - the host pushed a thread-default context itself (g_main_context_push_thread_default, as a
//     GLib or PyGObject program does for a worker thread), or
//   - it is the process's main thread, whose apartment is the global default context (the one
//     GTK's loop runs). Hosts on the main thread need no call at all.
// Objects are created only on a thread in an apartment (CreateObject fails with
// CO_E_NOTINITIALIZED elsewhere), belong to that thread, and tick and raise their events only while
// that thread runs its loop (message_loop.h). A worker thread hosts a control like this:
//
//     tolvo::runtime::EnterApartment();
//     { ...CreateObject, Advise, MP3Encode, RunLoopUntil(...), release everything... }
//     tolvo::runtime::LeaveApartment();
#pragma once

#include <string_view>
#include <thread>

#include "tolvo/runtime/export.h"
#include "tolvo/runtime/hresult.h"

typedef struct _GMainContext GMainContext;

namespace tolvo::runtime {

// S_OK when the calling thread got a new context of its own; S_FALSE when it already was in an
// apartment (the call is counted all the same). Every call is matched by one LeaveApartment on
// the same thread; the last one pops the context that EnterApartment pushed. Release the thread's
// objects before that.
TOLVO_RUNTIME_API HRESULT EnterApartment();
TOLVO_RUNTIME_API void LeaveApartment();

// Whether the calling thread is in an apartment (see above).
TOLVO_RUNTIME_API bool InApartment();

// S_OK on a thread in an apartment; elsewhere sets the thread's error object and returns
// CO_E_NOTINITIALIZED. Object creation calls it.
TOLVO_RUNTIME_API HRESULT CheckApartment();

// The apartment an object belongs to, taken on the creating thread: that thread and its
// thread-default context. An object keeps one and asks it at each call.
class TOLVO_RUNTIME_API ApartmentTie {
 public:
  ApartmentTie();
  ~ApartmentTie();
  ApartmentTie(const ApartmentTie&) = delete;
  ApartmentTie& operator=(const ApartmentTie&) = delete;

  // The context the object's timers and watches attach to (owned by the tie).
  GMainContext* Context() const { return context_; }
  bool OnOwnerThread() const { return std::this_thread::get_id() == owner_; }
  // S_OK on the owner thread; on any other thread sets the calling thread's error object (source
  // `objectName`) and returns RPC_E_WRONG_THREAD.
  HRESULT CheckCaller(std::u16string_view objectName) const;

 private:
  std::thread::id owner_;
  GMainContext* context_;
};

}  // namespace tolvo::runtime
