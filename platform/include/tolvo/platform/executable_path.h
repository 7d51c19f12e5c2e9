// The full path of the running program, so that a program can find the files installed beside it
// and start further copies of itself.
#pragma once

#include <string>

namespace tolvo::platform {

// Empty when it cannot be told.
std::string ExecutablePath();

}  // namespace tolvo::platform
