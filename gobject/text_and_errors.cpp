// UTF-8 <-> UTF-16 for GLib callers, the error domain of the control, and the GError of a failed
// call.
#include <cstdio>

#include "gobject_internal.h"
#include "tolvo-1.0/tolvo-encode.h"
#include "tolvo/control/error_codes.h"
#include "tolvo/runtime/error_info.h"
#include "tolvo/runtime/text.h"

namespace tolvo::gobject {

// The introspectable C enum gives the engine host's errors the control's own numbers.
static_assert(TOLVO_CONTROL_ERROR_ANSWER_TOO_LONG == control::kErrorUnexpectedMemory);
static_assert(TOLVO_CONTROL_ERROR_ENGINE_LIBRARY == control::kErrorEngineLibrary);
static_assert(TOLVO_CONTROL_ERROR_ENCODER_LIBRARY == control::kErrorEncoderLibrary);

std::u16string ToUtf16(const gchar* text) { return text ? runtime::TextFromUtf8(text) : u""; }

gchar* ToUtf8(std::u16string_view text) {
  const std::string utf8 = runtime::TextToUtf8(text);
  return g_strndup(utf8.data(), utf8.size());
}

void SetFailure(GError** error, runtime::HRESULT hr, std::string_view what) {
  std::optional<runtime::ErrorInfo> info = runtime::GetErrorInfo();
  gchar* description = info && !info->description.empty() ? ToUtf8(info->description) : nullptr;
  if (!description) {
    description = g_strdup_printf("%.*s failed with 0x%08X", static_cast<int>(what.size()),
                                  what.data(), static_cast<unsigned>(hr));
  }
  gint code = TOLVO_CONTROL_ERROR_FAILED;
  if (runtime::IsControlError(hr)) {
    code = runtime::ErrorNumberOf(hr);
  } else if (hr == runtime::RPC_E_WRONG_THREAD) {
    code = TOLVO_CONTROL_ERROR_WRONG_THREAD;
  } else if (hr == runtime::CO_E_NOTINITIALIZED) {
    code = TOLVO_CONTROL_ERROR_NO_MAIN_CONTEXT;
  }
  g_set_error_literal(error, TOLVO_CONTROL_ERROR, code, description);
  g_free(description);
}

}  // namespace tolvo::gobject

GQuark tolvo_control_error_quark(void) { return g_quark_from_static_string("tolvo-control-error"); }

GType tolvo_control_error_get_type(void) {
  static gsize type = 0;
  if (g_once_init_enter(&type)) {
    static const GEnumValue values[] = {
        {TOLVO_CONTROL_ERROR_FAILED, "TOLVO_CONTROL_ERROR_FAILED", "failed"},
        {TOLVO_CONTROL_ERROR_WRONG_THREAD, "TOLVO_CONTROL_ERROR_WRONG_THREAD", "wrong-thread"},
        {TOLVO_CONTROL_ERROR_NO_MAIN_CONTEXT, "TOLVO_CONTROL_ERROR_NO_MAIN_CONTEXT",
         "no-main-context"},
        {TOLVO_CONTROL_ERROR_ANSWER_TOO_LONG, "TOLVO_CONTROL_ERROR_ANSWER_TOO_LONG",
         "answer-too-long"},
        {TOLVO_CONTROL_ERROR_ENGINE_LIBRARY, "TOLVO_CONTROL_ERROR_ENGINE_LIBRARY",
         "engine-library"},
        {TOLVO_CONTROL_ERROR_ENCODER_LIBRARY, "TOLVO_CONTROL_ERROR_ENCODER_LIBRARY",
         "encoder-library"},
        {0, nullptr, nullptr},
    };
    g_once_init_leave(&type, g_enum_register_static("TolvoControlError", values));
  }
  return type;
}
