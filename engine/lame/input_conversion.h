// Conversion of 8-bit PCM input to a 16-bit copy through the converter program.
#pragma once

namespace tolvo::engine {

// Clears the conversion bookkeeping of the last job; a job does so before it checks its input.
void ResetConversion();
// Converts the input named by the engine's inputPath; 0 and inputPath switched to the copy, or 1.
int ConvertToPcm16();
// Deletes the converted copy when this job made one; the job does so as it ends, whatever its
// result.
void DeleteConvertedInput();

}  // namespace tolvo::engine
