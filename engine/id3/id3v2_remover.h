// Removing the ID3v2 tag at the start of an MP3 file: the file is rebuilt without it in a
// temporary file, which then replaces the MP3 file whole.
#pragma once

#include <cstdint>

#include "tolvo/engine/interface1.h"
#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

// Its result codes: tolvo/engine/interface1.h.

// Removes the file's tag, using the folder of "definetempfolder" for the temporary file. On any
// code but 0 the file is untouched and no temporary file is left.
int32_t RemoveId3v2(const char* path, platform::FileSystem& fs = platform::RealFileSystem());

}  // namespace tolvo::engine
