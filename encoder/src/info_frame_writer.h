// Putting the final info frame (Xing for VBR, Info for CBR, with the encoder delay and padding)
// in place of the frame that the stream reserved at the start of the MP3 file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tolvo/encoder/be_stream.h"
#include "tolvo/platform/file_system.h"

namespace tolvo::encoder {

// Overwrites the first frame of the file with `frame`. The file must begin with a reserved
// frame of the same kind (same frame header), else nothing is written and kBeFileError returned:
// a file that does not start with our stream is never damaged.
BeStatus WriteInfoFrame(const std::string& mp3Path, const std::vector<uint8_t>& frame,
                        platform::FileSystem& fs = platform::RealFileSystem());

// True when the file begins with an MPEG audio frame that carries a Xing or Info tag.
bool StartsWithInfoFrame(const std::string& mp3Path,
                         platform::FileSystem& fs = platform::RealFileSystem());

}  // namespace tolvo::encoder
