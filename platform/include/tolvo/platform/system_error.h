// The system's own words for an error number, as messages quote them after a colon.
#pragma once

#include <string>

namespace tolvo::platform {

// "permission denied", "no space left on device", … (the C library's text, first letter small).
std::string SystemErrorText(int error);

// Error numbers the callers name.
extern const int kErrorNoSuchFile;    // ENOENT
extern const int kErrorIsFolder;      // EISDIR
extern const int kErrorNotFolder;     // ENOTDIR
extern const int kErrorBrokenPipe;    // EPIPE
extern const int kErrorNoPermission;  // EACCES

}  // namespace tolvo::platform
