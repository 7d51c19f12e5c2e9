// Reading the ID3v2 tag at the start of a file into the engine's field set: the header check,
// the frame walk over the open file (versions 2.2, 2.3 and 2.4) and the decoding of frame texts
// into UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "id3/id3v2_fields.h"
#include "id3/id3v2_layout.h"
#include "tolvo/engine/interface1.h"
#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

// Its result codes: tolvo/engine/interface1.h.

// The whole length of the file's ID3v2 tag (tag size + 10, and 10 more for a 2.4 footer), or 0
// when it has none.
int64_t Id3v2TagLength(const char* path, platform::FileSystem& fs = platform::RealFileSystem());

// A frame's text as UTF-8: for the text kind the first string after the encoding byte; for the
// URL kind (WXXX) the ISO-8859-1 URL after the description; for the comment kind (COMM) the text
// after the language and the description. `emptyDescription`, when given, tells whether the
// description of a URL or comment frame is empty.
std::string DecodeFrameText(const uint8_t* data, size_t size, id3v2::TextKind kind,
                            bool* emptyDescription = nullptr);

// Replaces a genre field text that refers to a list entry, "(17)" or "(17)Rock", by that entry's
// name ("Rock") and sets the size to the name's length; other texts stay as they are.
void GenreReference();

// Empties the field set and fills it from the file's tag. A text frame's last non-empty frame
// wins; for the comment and the URL the first frame with an empty description, else the first
// one; the year comes from TDRC when the tag has no TYER.
int32_t ReadId3v2(const char* path, platform::FileSystem& fs = platform::RealFileSystem());
// The same on a file that is already open for reading.
int32_t ReadId3v2From(platform::File& file);

}  // namespace tolvo::engine
