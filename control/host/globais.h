// Globais: the checks the control makes on the two file names of an encode before it starts one.
// None raises anything; each answers true or false.
#pragma once

#include <string>
#include <string_view>

#include "tolvo/platform/file_system.h"

namespace tolvo::control {

// Equal without regard to letter case; nothing else is normalised (blanks, separators, "." parts).
bool CheckForEquality(std::u16string_view a, std::u16string_view b);

// True when both paths name one existing file (device and inode): through a "." part, a symbolic
// link or a hard link, texts that differ can still be one file.
bool CheckForSameFile(std::u16string_view a, std::u16string_view b,
                      platform::FileSystem& fs = platform::RealFileSystem());

// True exactly for the empty text; a text of blanks is not empty.
bool CheckForEmpty(std::u16string_view x);

// True when the path names a regular file that opens for reading and whose first bytes (as many as
// the file has, at most 255) read. Any failure answers false; the file is closed on every path.
bool CheckInputFile(std::u16string_view path,
                    platform::FileSystem& fs = platform::RealFileSystem());

}  // namespace tolvo::control
