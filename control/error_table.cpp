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
    {engine::kJobSucceeded, u"No error "},
    {kErrorInvalidCompressionLevel, u"Invalid compression level "},
    {kErrorSameFile, u"The input file is the same as the output"},
    {kErrorInputEmpty, u"The input file is empty "},
    {kErrorOutputEmpty, u"The outputfile file is empty "},
    {kErrorInputInvalid, u"The input file or path is invalid"},
    {kErrorOutputInvalid, u"The output file or path is invalid"},
    {kErrorInvalidBitrate, u"Invalid bitrate value"},
    {kErrorUnexpected, u"Unexpected error"},
    {kErrorAlreadyExecuting, u"Already executing , wait for the end or call the cancel function"},
    {kErrorInvalidPriority, u"Invalid priority level"},
    {engine::kJobEncoderNotBound, u"Unable to load required dll"},
    {engine::kJobInvalidWave, u"Invalid wav file"},
    {engine::kJobCannotOpenInput, u"Error openning the wav file"},
    {engine::kJobCannotCreateOutput, u"Cannot create the destination mp3 file"},
    {engine::kJobStreamRefused, u"Error opening encoding stream or invalid settings"},
    {engine::kJobEncoderFailed, u"Encoder failed, contact the developer"},
    {engine::kJobOutputWriteFailed, u"Output file write error"},
    {engine::kJobInvalidBitrate, u"Invalid bitrate value "},
    {engine::kJobInvalidQuality, u"Invalid quality settings"},
    {engine::kJobMissingFileName, u"Destination filename is missing"},
    {engine::kJobCannotCreateFolder, u"Cannot create destination folder"},
    {engine::kJobCancelled, u"User abort"},
    {engine::kJobInvalidStereoMode, u"Invalid stereo mode value"},
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
