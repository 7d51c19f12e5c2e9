// The simple upper-case mapping. Blocks with a regular layout are rules; the few irregular
// letters are listed.
#include "host/letter_case.h"

#include <utility>

namespace tolvo::control {
namespace {

// Lower-case letters whose upper case lies outside their own pair.
constexpr std::pair<char16_t, char16_t> kIrregular[] = {
    {0x00B5, 0x039C},  // micro sign -> Greek capital mu
    {0x00FF, 0x0178},  // y with diaeresis
    {0x0131, 0x0049},  // dotless i
    {0x017F, 0x0053},  // long s
    {0x0180, 0x0243}, {0x0183, 0x0182}, {0x0185, 0x0184}, {0x0188, 0x0187}, {0x018C, 0x018B},
    {0x0192, 0x0191}, {0x0195, 0x01F6}, {0x0199, 0x0198}, {0x019A, 0x023D}, {0x019E, 0x0220},
    {0x01A1, 0x01A0}, {0x01A3, 0x01A2}, {0x01A5, 0x01A4}, {0x01A8, 0x01A7}, {0x01AD, 0x01AC},
    {0x01B0, 0x01AF}, {0x01B4, 0x01B3}, {0x01B6, 0x01B5}, {0x01B9, 0x01B8}, {0x01BD, 0x01BC},
    {0x01BF, 0x01F7}, {0x01C5, 0x01C4}, {0x01C6, 0x01C4}, {0x01C8, 0x01C7}, {0x01C9, 0x01C7},
    {0x01CB, 0x01CA}, {0x01CC, 0x01CA}, {0x01DD, 0x018E}, {0x01F2, 0x01F1}, {0x01F3, 0x01F1},
    {0x01F5, 0x01F4}, {0x0253, 0x0181}, {0x0254, 0x0186}, {0x0256, 0x0189}, {0x0257, 0x018A},
    {0x0259, 0x018F}, {0x025B, 0x0190}, {0x0260, 0x0193}, {0x0263, 0x0194}, {0x0268, 0x0197},
    {0x0269, 0x0196}, {0x026F, 0x019C}, {0x0272, 0x019D}, {0x0275, 0x019F}, {0x0283, 0x01A9},
    {0x0288, 0x01AE}, {0x028A, 0x01B1}, {0x028B, 0x01B2}, {0x0292, 0x01B7},
    {0x03AC, 0x0386},  // Greek letters with tonos
    {0x03AD, 0x0388}, {0x03AE, 0x0389}, {0x03AF, 0x038A}, {0x03C2, 0x03A3}, {0x03CC, 0x038C},
    {0x03CD, 0x038E}, {0x03CE, 0x038F}, {0x03D0, 0x0392}, {0x03D1, 0x0398}, {0x03D5, 0x03A6},
    {0x03D6, 0x03A0}, {0x03F0, 0x039A}, {0x03F1, 0x03A1}, {0x03F2, 0x03F9}, {0x03F5, 0x0395},
    {0x04CF, 0x04C0},  // Cyrillic palochka
    {0x1E9B, 0x1E60},  // long s with dot above
};

bool InRange(char16_t c, char16_t first, char16_t last) { return c >= first && c <= last; }

// A block where each upper-case letter is followed by its lower case, the upper case on
// even code points when upperIsEven, else on odd ones.
bool IsPairedLower(char16_t c, char16_t first, char16_t last, bool upperIsEven) {
  return InRange(c, first, last) && ((c % 2 == 1) == upperIsEven);
}

}  // namespace

char16_t ToUpperCase(char16_t c) {
  if (InRange(c, u'a', u'z')) return c - 0x20;
  if (c < 0x80) return c;
  if (InRange(c, 0x00E0, 0x00FE) && c != 0x00F7) return c - 0x20;
  for (const auto& [lower, upper] : kIrregular) {
    if (lower == c) return upper;
  }
  // Latin Extended-A, Latin Extended-B, Greek and Coptic, Cyrillic and Latin Extended Additional
  // pairs.
  if (IsPairedLower(c, 0x0100, 0x0137, true) || IsPairedLower(c, 0x0139, 0x0148, false) ||
      IsPairedLower(c, 0x014A, 0x0177, true) || IsPairedLower(c, 0x0179, 0x017E, false) ||
      IsPairedLower(c, 0x01CD, 0x01DC, false) || IsPairedLower(c, 0x01DE, 0x01EF, true) ||
      IsPairedLower(c, 0x01F8, 0x021F, true) || IsPairedLower(c, 0x0222, 0x0233, true) ||
      IsPairedLower(c, 0x0246, 0x024F, true) || IsPairedLower(c, 0x03D8, 0x03EF, true) ||
      IsPairedLower(c, 0x0460, 0x0481, true) || IsPairedLower(c, 0x048A, 0x04BF, true) ||
      IsPairedLower(c, 0x04C1, 0x04CE, false) || IsPairedLower(c, 0x04D0, 0x052F, true) ||
      IsPairedLower(c, 0x1E00, 0x1E95, true) || IsPairedLower(c, 0x1EA0, 0x1EFF, true)) {
    return c - 1;
  }
  if (InRange(c, 0x03B1, 0x03CB)) return c - 0x20;  // Greek alpha to upsilon with dialytika
  if (InRange(c, 0x0430, 0x044F)) return c - 0x20;  // Cyrillic a to ya
  if (InRange(c, 0x0450, 0x045F)) return c - 0x50;  // Cyrillic ie with grave to dzhe
  if (InRange(c, 0x0561, 0x0586)) return c - 0x30;  // Armenian
  if (InRange(c, 0xFF41, 0xFF5A)) return c - 0x20;  // fullwidth Latin
  return c;
}

std::u16string ToUpperCase(std::u16string_view text) {
  std::u16string upper(text);
  for (char16_t& c : upper) c = ToUpperCase(c);
  return upper;
}

}  // namespace tolvo::control
