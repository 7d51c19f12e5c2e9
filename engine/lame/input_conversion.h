// Conversion of 8-bit PCM input to a 16-bit copy through the converter program.
#pragma once

namespace tolvo::engine {

// Clears the per-job conversion bookkeeping (the job's step 3).
void ResetConversion();
// Converts the input named by the engine's inputPath; 0 and inputPath switched to the copy, or 1.
int ConvertToPcm16();
// Deletes the converted copy when this job made one (the job's last step).
void DeleteConvertedInput();

}  // namespace tolvo::engine
