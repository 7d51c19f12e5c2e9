// The error texts, looked up by number.
#include "error_table.h"

#include <string>

namespace tolvo::control {
namespace {

struct ErrorText {
  int32_t number;
  const char16_t* text;
};

constexpr ErrorText kErrorTexts[] = {
    {0, u"No error "},
    {1, u"Invalid compression level "},
    {2, u"The input file is the same as the output"},
    {3, u"The input file is empty "},
    {4, u"The outputfile file is empty "},
    {5, u"The input file or path is invalid"},
    {6, u"The output file or path is invalid"},
    {7, u"Invalid bitrate value"},
    {8, u"Unexpected error"},
    {9, u"Already executing , wait for the end or call the cancel function"},
    {12, u"Invalid priority level"},
    {101, u"Unable to load required dll"},
    {102, u"Invalid wav file"},
    {103, u"Error openning the wav file"},
    {104, u"Cannot create the destination mp3 file"},
    {105, u"Error opening encoding stream or invalid settings"},
    {106, u"Encoder failed, contact the developer"},
    {107, u"Output file write error"},
    {108, u"Invalid bitrate value "},
    {109, u"Invalid quality settings"},
    {110, u"Destination filename is missing"},
    {111, u"Cannot create destination folder"},
    {112, u"User abort"},
    {120, u"Invalid stereo mode value"},
};

std::u16string Decimal(int32_t number) {
  const std::string digits = std::to_string(number);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

ErrorReport DescribeError(int32_t number) {
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.number == number) return {number, entry.text};
  }
  return {kErrorUnlisted, u"Unexpected error " + Decimal(number)};
}

}  // namespace tolvo::control
