// The component texts (UTF-16, the role of BSTR) to and from UTF-8, the text of file names,
// messages and every GLib language binding.
#pragma once

#include <string>
#include <string_view>

#include "tolvo/runtime/export.h"

namespace tolvo::runtime {

// Each malformed UTF-8 sequence (its longest valid prefix) becomes one U+FFFD; NULs are kept.
TOLVO_RUNTIME_API std::u16string TextFromUtf8(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
TOLVO_RUNTIME_API std::string TextToUtf8(std::u16string_view text);

}  // namespace tolvo::runtime
