// A folder that only this user can enter, for files a program keeps to itself for a while (the
// copy of a WAV read from a pipe, an MP3 made before it is streamed out).
#pragma once

#include <string>

#include "tolvo/platform/file_system.h"

namespace tolvo::platform {

// Creates "<parent>/<prefix>XXXXXX" with mode 0700 and a unique name; `parent` without a trailing
// separator. *path receives the new folder.
IoStatus MakePrivateFolder(const std::string& parent, const char* prefix, std::string* path);

}  // namespace tolvo::platform
