// The one table of ErrorCode numbers and texts: the control's own checks (2 to 12) beside the
// encode job's results (0, 101 to 112, 120). Texts are exact, trailing blanks included; the
// numbers are in tolvo/control/error_codes.h and tolvo/engine/interface1.h.
#pragma once

#include <cstdint>
#include <string>

#include "tolvo/control/error_codes.h"

namespace tolvo::control {

// What ErrorCode carries for one error number.
struct ErrorReport {
  int32_t number;
  std::u16string description;
};

// A listed number with its text; any other as 255 with "Unexpected error " and the number.
ErrorReport DescribeError(int32_t number);

}  // namespace tolvo::control
