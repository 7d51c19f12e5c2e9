// The system's own words for an error number, as messages quote them after a colon, and the kind
// of failure each number is.
#pragma once

#include <string>

#include "tolvo/platform/io_result.h"

namespace tolvo::platform {

// "permission denied", "no space left on device", … (the C library's text, first letter small).
std::string SystemErrorText(int error);

// The error a failed system call reported through this error number: its kind and the number.
IoError ErrorFromNumber(int number);

}  // namespace tolvo::platform
