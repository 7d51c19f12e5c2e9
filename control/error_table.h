// The one table of ErrorCode numbers and texts: the control's own checks (2 to 12) beside the
// encode job's results (0, 101 to 112, 120). Texts are exact, trailing blanks included.
#pragma once

#include <cstdint>
#include <string>

namespace tolvo::control {

// Numbers of the control's own checks.
inline constexpr int32_t kErrorSameFile = 2;
inline constexpr int32_t kErrorInputEmpty = 3;
inline constexpr int32_t kErrorOutputEmpty = 4;
inline constexpr int32_t kErrorInputInvalid = 5;
inline constexpr int32_t kErrorAlreadyExecuting = 9;
inline constexpr int32_t kErrorInvalidPriority = 12;
// The number raised for anything the table does not list.
inline constexpr int32_t kErrorUnlisted = 255;

// What ErrorCode carries for one error number.
struct ErrorReport {
  int32_t number;
  std::u16string description;
};

// A listed number with its text; any other as 255 with "Unexpected error " and the number.
ErrorReport DescribeError(int32_t number);

}  // namespace tolvo::control
