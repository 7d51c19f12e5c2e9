// The control's one table of ErrorCode numbers and texts: every listed number with its exact
// text, and every other number as 255 with the number in the text.
#include "error_table.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tolvo/platform/utf16.h"

namespace tolvo::control {
namespace {

// Each listed number by its name in the public headers, as hosts compile it, and as the number
// hosts have always been given.
struct Listed {
  int32_t named;
  int32_t number;
  std::u16string text;
};

TEST(ErrorTableTest, ListedNumbersKeepTheirNamesAndExactTexts) {
  using namespace engine;
  const Listed expected[] = {
      {kJobSucceeded, 0, u"No error "},
      {kErrorInvalidCompressionLevel, 1, u"Invalid compression level "},
      {kErrorSameFile, 2, u"The input file is the same as the output"},
      {kErrorInputEmpty, 3, u"The input file is empty "},
      {kErrorOutputEmpty, 4, u"The outputfile file is empty "},
      {kErrorInputInvalid, 5, u"The input file or path is invalid"},
      {kErrorOutputInvalid, 6, u"The output file or path is invalid"},
      {kErrorInvalidBitrate, 7, u"Invalid bitrate value"},
      {kErrorUnexpected, 8, u"Unexpected error"},
      {kErrorAlreadyExecuting, 9,
       u"Already executing , wait for the end or call the cancel function"},
      {kErrorInvalidPriority, 12, u"Invalid priority level"},
      {kJobEncoderNotBound, 101, u"Unable to load required dll"},
      {kJobInvalidWave, 102, u"Invalid wav file"},
      {kJobCannotOpenInput, 103, u"Error openning the wav file"},
      {kJobCannotCreateOutput, 104, u"Cannot create the destination mp3 file"},
      {kJobStreamRefused, 105, u"Error opening encoding stream or invalid settings"},
      {kJobEncoderFailed, 106, u"Encoder failed, contact the developer"},
      {kJobOutputWriteFailed, 107, u"Output file write error"},
      {kJobInvalidBitrate, 108, u"Invalid bitrate value "},
      {kJobInvalidQuality, 109, u"Invalid quality settings"},
      {kJobMissingFileName, 110, u"Destination filename is missing"},
      {kJobCannotCreateFolder, 111, u"Cannot create destination folder"},
      {kJobCancelled, 112, u"User abort"},
      {kJobInvalidStereoMode, 120, u"Invalid stereo mode value"},
  };
  for (const Listed& listed : expected) {
    EXPECT_EQ(listed.named, listed.number);
    const ErrorReport report = DescribeError(listed.number);
    EXPECT_EQ(report.number, listed.number);
    EXPECT_EQ(report.description, listed.text) << listed.number;
  }
}

TEST(ErrorTableTest, UnlistedNumbersBecome255WithTheNumberInTheText) {
  // 113: the job's own result when it has no thread or no memory, which the table does not list.
  EXPECT_EQ(engine::kJobOutOfResources, 113);
  for (int32_t number : {10, 11, 100, 113, 121, 999, 1000, -1, -2147483647 - 1}) {
    const ErrorReport report = DescribeError(number);
    EXPECT_EQ(report.number, kErrorUnlisted);
    EXPECT_EQ(report.number, 255);
    EXPECT_EQ(platform::Utf16ToUtf8(report.description),
              "Unexpected error " + std::to_string(number));
  }
}

}  // namespace
}  // namespace tolvo::control
