// File names of the system's files as this platform spells them. Every message that quotes a
// library name quotes these.
#pragma once

namespace tolvo {
inline constexpr const char* kEngineLibraryName = "libtolvomp3enc2.so";
inline constexpr const char* kEncoderLibraryName = "libtolvomp3enc1.so";
inline constexpr const char* kControlLibraryName = "libtolvomp3enc130.so";
inline constexpr const char* kConverterProgramName = "snd";
inline constexpr const char* kConvertedCopyPrefix = "$$$tolvosoftware$$$";
inline constexpr const char* kTempFilePrefix = "tolvo";
}  // namespace tolvo
