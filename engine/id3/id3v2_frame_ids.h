// Frame IDs across versions: the check that four (or three) bytes form a frame ID at all, and the
// names that version 2.3 gives to the three-letter frames of version 2.2.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolvo::engine::id3v2 {

// True when every one of the count bytes is an upper-case letter or a digit; anything else where
// a frame should start is padding or garbage, and ends the frame list.
bool IsFrameId(const uint8_t* id, size_t count);

// The 2.3 name of a 2.2 frame (three bytes), or null when 2.3 has no frame of that meaning
// (CRM, an encrypted meta frame, and IDs outside the 2.2 list).
const char* FrameIdFrom22(const uint8_t* id);

}  // namespace tolvo::engine::id3v2
