// The runtime's texts through the one UTF-8/UTF-16 codec that the control and tolvo use too.
#include "tolvo/runtime/text.h"

#include "tolvo/platform/utf16.h"

namespace tolvo::runtime {

std::u16string TextFromUtf8(std::string_view utf8) { return platform::Utf8ToUtf16(utf8); }

std::string TextToUtf8(std::u16string_view text) { return platform::Utf16ToUtf8(text); }

}  // namespace tolvo::runtime
