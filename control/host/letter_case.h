// Upper-case mapping of UTF-16 text for comparisons that ignore letter case. A simple (one
// character to one character) mapping covering Latin-1, Latin Extended-A, the paired letters of
// Latin Extended-B and Latin Extended Additional, Greek, Cyrillic, Armenian and fullwidth Latin.
#pragma once

#include <string>
#include <string_view>

namespace tolvo::control {

char16_t ToUpperCase(char16_t c);
std::u16string ToUpperCase(std::u16string_view text);

}  // namespace tolvo::control
