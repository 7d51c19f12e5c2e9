// The errors the engine host raises (5006, 5007, 5008). They travel as a C++ exception inside the
// control only: the control's methods catch ControlError at their boundary and hand it to the host
// as an error object with the failed result 0x800A0000 | number.
#pragma once

#include <cstdint>
#include <string>

namespace tolvo::control {

inline constexpr int32_t kErrorUnexpectedMemory = 5006;  // a text result longer than its room
inline constexpr int32_t kErrorEngineLibrary = 5007;     // engine library or interface1 missing
inline constexpr int32_t kErrorEncoderLibrary = 5008;    // encoder library missing

// Ends every description of the three errors.
inline constexpr char16_t kSupportContact[] = u"support@tolvo.example";

struct ControlError {
  int32_t number;
  std::u16string description;
};

}  // namespace tolvo::control
