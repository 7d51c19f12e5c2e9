// UTF-8 (arguments, terminal output, file paths) to and from UTF-16 (the control's texts).
#pragma once

#include <string>
#include <string_view>

namespace tolvo::tool {

// Malformed input and unpaired surrogates become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace tolvo::tool
