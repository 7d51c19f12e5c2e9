// The errors the engine host raises (5006, 5007, 5008: tolvo/control/error_codes.h). They travel as
// a C++ exception inside the control only: the control's methods catch ControlError at their
// boundary and hand it to the host as an error object with the failed result 0x800A0000 | number.
#pragma once

#include <cstdint>
#include <string>

#include "tolvo/control/error_codes.h"

namespace tolvo::control {

// Ends every description of the three errors.
inline constexpr char16_t kSupportContact[] = u"support@tolvo.example";

struct ControlError {
  int32_t number;
  std::u16string description;
};

}  // namespace tolvo::control
