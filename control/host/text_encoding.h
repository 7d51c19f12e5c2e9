// Conversions between the control's UTF-16 texts and the engine's texts, which are UTF-8 (the
// system's code page) for every command: paths, folders, tag texts and genre names alike. The
// tag code turns the UTF-8 texts into what a tag stores at the file.
#pragma once

#include <string>
#include <string_view>

namespace tolvo::control {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD. NULs are kept.
std::string ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16; each malformed sequence (overlong forms, encoded surrogates, values above
// U+10FFFF, cut sequences) becomes one U+FFFD.
std::u16string FromUtf8(std::string_view bytes);

}  // namespace tolvo::control
