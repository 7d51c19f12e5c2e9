// What the GObject class shares with its helpers: UTF-8 <-> UTF-16 at the control's boundary, the
// GError of a failed call, and the control library to host.
#pragma once

#include <glib.h>

#include <string>
#include <string_view>

#include "tolvo/runtime/hresult.h"

namespace tolvo::gobject {

// Malformed UTF-8 and unpaired surrogates become U+FFFD; NULL is the empty text.
std::u16string ToUtf16(const gchar* text);
gchar* ToUtf8(std::u16string_view text);  // g_free it

// Sets *error (when error is not NULL) for the failed result `hr`, taking the calling thread's
// error object: a control error n gives code n with the object's description; the wrong thread
// and a thread without a main context give their own codes; anything else FAILED.
void SetFailure(GError** error, runtime::HRESULT hr, std::string_view what);

// The control library installed with libtolvo: in its "tolvo" subfolder or beside it; empty when
// neither exists.
std::string ControlLibraryBesideThisLibrary();

}  // namespace tolvo::gobject
