// Writing the engine's ID3v2 field set into the tag at the start of an MP3 file. The file is
// rebuilt in a temporary file (new tag, then everything after the old tag) that then replaces it
// whole; the pieces of that rebuild shared with the removal live here too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/atomic_replace.h"
#include "tolvo/engine/interface1.h"
#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

// Its result codes: tolvo/engine/interface1.h.

// Writes the twelve fields of the field set into the file's tag, using the folder of
// "definetempfolder" for the temporary file. On any code but 0 the file is untouched and no
// temporary file is left.
int32_t WriteId3v2(const char* path, platform::FileSystem& fs = platform::RealFileSystem());

namespace id3v2 {

// The rule of Id3v2TagLength applied to the first bytes of a file that is already open: the
// whole tag length (tag size + 10, a 2.4 footer included), or 0 when the bytes hold no usable
// tag header.
int64_t TagLengthFromHeader(const uint8_t* header, size_t headerBytes, int64_t fileSize);

// The MP3 file a rebuild reads, opened once by the rewrite: the tag the operation looks at and
// the bytes it copies come from one file, whatever happens to the path meanwhile.
struct SourceFile {
  platform::File& file;
  platform::FileInfo info;  // mode, owner and size
  int64_t tagLength = 0;    // 0 when the file has no tag
};

// Reads the tag length of the open file into source (its file must be that file); false when
// the first bytes cannot be read.
bool ReadSource(platform::File& file, const platform::FileInfo& info, SourceFile* source);

enum class AppendStatus { kDone, kReadFailed, kWriteFailed };
// Appends everything after the source's tag to out, at its current position, through one
// bounded buffer.
AppendStatus AppendAfterTag(SourceFile& source, platform::File& out);

}  // namespace id3v2
}  // namespace tolvo::engine
