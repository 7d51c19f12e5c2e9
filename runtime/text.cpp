// UTF-8 <-> UTF-16 through GLib, after replacing what GLib would refuse.
#include "tolvo/runtime/text.h"

#include <glib.h>

namespace tolvo::runtime {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::u16string TextFromUtf8(std::string_view utf8) {
  gchar* valid = g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size()));
  glong length = 0;
  gunichar2* wide = g_utf8_to_utf16(valid, -1, nullptr, &length, nullptr);
  std::u16string result;
  if (wide) result.assign(reinterpret_cast<const char16_t*>(wide), static_cast<size_t>(length));
  g_free(wide);
  g_free(valid);
  return result;
}

std::string TextToUtf8(std::u16string_view text) {
  std::u16string clean(text);
  for (size_t i = 0; i < clean.size(); ++i) {
    if (IsHighSurrogate(clean[i]) && i + 1 < clean.size() && IsLowSurrogate(clean[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(clean[i]) || IsLowSurrogate(clean[i])) {
      clean[i] = kReplacement;
    }
  }
  glong length = 0;
  gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(clean.data()),
                                static_cast<glong>(clean.size()), nullptr, &length, nullptr);
  std::string result;
  if (utf8) result.assign(utf8, static_cast<size_t>(length));
  g_free(utf8);
  return result;
}

}  // namespace tolvo::runtime
