// Removing the ID3v2 tag at the start of an MP3 file: the file is rebuilt without it in a
// temporary file, which then replaces the MP3 file whole.
#pragma once

#include <cstdint>

#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

// Result codes of RemoveId3v2.
enum : int32_t {
  kId3v2RemoveOk = 0,  // removed, or the file had no tag (or does not exist)
  kId3v2RemoveReadOnly = 1,
  kId3v2RemoveNoTempFile = 2,        // no temporary file can be made in the temporary folder
  kId3v2RemoveCannotReadMp3 = 3,     // the MP3 file cannot be opened or read
  kId3v2RemoveCannotAppendTemp = 4,  // the temporary file cannot be opened for appending
  kId3v2RemoveCannotReplace = 5,     // the finished file cannot replace the MP3 file
  kId3v2RemoveWriteFailed = 6,       // a write, flush or close of the temporary file failed
};

// Removes the file's tag, using the folder of "definetempfolder" for the temporary file. On any
// code but 0 the file is untouched and no temporary file is left.
int32_t RemoveId3v2(const char* path, platform::FileSystem& fs = platform::RealFileSystem());

}  // namespace tolvo::engine
