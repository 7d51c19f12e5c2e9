// Upper-case mapping of UTF-16 text for comparisons that ignore letter case: Unicode's simple
// (one character to one character) mapping for Latin-1, Latin Extended-A and -B, Greek and Coptic,
// Cyrillic with its supplement, Armenian, Latin Extended Additional and fullwidth Latin.
#pragma once

#include <string>
#include <string_view>

namespace tolvo::control {

char16_t ToUpperCase(char16_t c);
std::u16string ToUpperCase(std::u16string_view text);

}  // namespace tolvo::control
