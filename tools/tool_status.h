// Exit statuses of the tolvo program, shared by every command and documented in its help.
#pragma once

namespace tolvo::tool {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;      // the operation failed (the message says why)
inline constexpr int kExitUsage = 2;        // bad command line: unknown option, bad value
inline constexpr int kExitCancelled = 130;  // interrupted with Ctrl-C (128 + SIGINT)

inline constexpr const char* kToolVersion = "1.3.0";

}  // namespace tolvo::tool
