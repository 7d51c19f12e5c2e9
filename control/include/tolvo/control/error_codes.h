// The numbers of the TolvoEncode control's errors, for hosts: those its ErrorCode event carries
// (each with its fixed text, ErrorDescription) and those a method fails with. The texts live in
// the control's error table.
#pragma once

#include <cstdint>

#include "tolvo/engine/interface1.h"

namespace tolvo::control {

// ErrorCode at the end of an encode: the job's result as the engine gives it, one of
// engine::JobResult (tolvo/engine/interface1.h): engine::kJobSucceeded (0, "No error "),
// engine::kJobCancelled (112, "User abort") and the other failures from 101 to 120.

// ErrorCode raised inside a call by the control's own checks.
inline constexpr int32_t kErrorSameFile = 2;      // MP3Encode: the input file is the output
inline constexpr int32_t kErrorInputEmpty = 3;    // MP3Encode: no input file name
inline constexpr int32_t kErrorOutputEmpty = 4;   // MP3Encode: no output file name
inline constexpr int32_t kErrorInputInvalid = 5;  // MP3Encode: the input cannot be opened and read
inline constexpr int32_t kErrorAlreadyExecuting = 9;  // MP3Encode: an encode is running
inline constexpr int32_t kErrorInvalidPriority = 12;  // SelectProcessPriority: not 1, 2 or 3

// Listed in the table with their texts, raised by nothing.
inline constexpr int32_t kErrorInvalidCompressionLevel = 1;
inline constexpr int32_t kErrorOutputInvalid = 6;
inline constexpr int32_t kErrorInvalidBitrate = 7;  // an invalid bitrate ends the job instead
inline constexpr int32_t kErrorUnexpected = 8;

// ErrorCode for a number the table does not list; its text ends with that number.
inline constexpr int32_t kErrorUnlisted = 255;

// The errors a method of the control fails with (the failed result 0x800A0000 | number and an
// error object with the number and a description).
inline constexpr int32_t kErrorUnexpectedMemory = 5006;  // an engine's answer longer than its room
inline constexpr int32_t kErrorEngineLibrary = 5007;     // engine library or interface1 missing
inline constexpr int32_t kErrorEncoderLibrary = 5008;    // encoder library missing

}  // namespace tolvo::control
