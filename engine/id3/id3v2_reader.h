// Reading the ID3v2 tag at the start of a file into the engine's field set: the header check,
// the one read of the whole tag, the frame walk and the decoding of frame texts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "id3/id3v2_fields.h"
#include "id3/id3v2_layout.h"
#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

// Result codes of ReadId3v2.
enum : int32_t {
  kId3v2ReadOk = 0,
  kId3v2NoUsableTag = 1,  // no tag, a tag larger than the file, an oversized frame or text
  kId3v2CannotReadTag = 2,
};

// The whole length of the file's ID3v2 tag (tag size + 10), or 0 when it has none.
int64_t Id3v2TagLength(const char* path, platform::FileSystem& fs = platform::RealFileSystem());

// Reads the first count bytes of the file: 0 when all were read, 1 when the file cannot be
// opened, 2 when fewer bytes were read.
int32_t ReadFileStart(const char* path, void* buffer, size_t count,
                      platform::FileSystem& fs = platform::RealFileSystem());

// Turns a frame's data into its text in place and returns the text's length; the text then
// starts at data[0] and ends with a zero. data must be a block of size + 10 bytes whose bytes past
// size are zero; nothing outside data[0 .. size + 10) is read or written.
size_t DecodeFrameText(char* data, size_t size, id3v2::TextKind kind);

// Replaces a genre field text that refers to a list entry, "(17)" or "(17)Rock", by that entry's
// name ("Rock") and sets the size to the name's length; other texts stay as they are.
void GenreReference();

// Empties the field set and fills it from the file's tag; the last non-empty frame of an ID wins.
int32_t ReadId3v2(const char* path, platform::FileSystem& fs = platform::RealFileSystem());

}  // namespace tolvo::engine
