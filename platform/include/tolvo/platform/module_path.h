// The full path of the loaded library or program that contains a given address.
#pragma once

#include <string>

namespace tolvo::platform {

// Empty when it cannot be told.
std::string ModulePathOf(const void* address);

}  // namespace tolvo::platform
