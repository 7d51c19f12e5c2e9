// Whether a file is an MP3 file that may carry ID3 tags: the bytes after its ID3v2 tag are not
// another container (RIFF/WAVE, RF64, FLAC, Ogg, MP4, IFF/AIFF) and hold an MPEG audio frame
// header (of any layer, tolvo/mpeg/frame_header.h) near their start. Tagging anything else would
// break it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

// How far after the tag the first frame header is looked for.
inline constexpr int64_t kFrameSyncScanLength = 64 * 1024;

// Looks at the open file from audioStart (the end of its ID3v2 tag, 0 without one). The file's
// position afterwards is unspecified.
bool LooksLikeMp3(platform::File& file, int64_t audioStart, int64_t fileSize);

}  // namespace tolvo::engine
