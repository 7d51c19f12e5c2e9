// Byte layout of the ID3v1 record: the fixed 128 bytes at the very end of an MP3 file.
// Offsets count from the start of the record; the v1.1 form borrows the comment's last two bytes
// for a zero marker and the track number.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolvo::engine::id3v1 {

struct FieldSpan {
  size_t offset;
  size_t length;
};

inline constexpr size_t kRecordSize = 128;

inline constexpr char kMarkerText[] = "TAG";  // compared without its terminating zero
inline constexpr FieldSpan kMarker{0, 3};
inline constexpr FieldSpan kTitle{3, 30};
inline constexpr FieldSpan kArtist{33, 30};
inline constexpr FieldSpan kAlbum{63, 30};
inline constexpr FieldSpan kYear{93, 4};
inline constexpr FieldSpan kComment{97, 30};     // ID3v1: the comment runs to the genre byte
inline constexpr FieldSpan kCommentV11{97, 28};  // ID3v1.1: a zero byte and the track follow
inline constexpr size_t kV11ZeroOffset = 125;    // zero in the v1.1 form, else comment text
inline constexpr size_t kTrackOffset = 126;      // track number in the v1.1 form
inline constexpr size_t kGenreOffset = 127;      // index into the genre list

static_assert(kMarker.offset + kMarker.length == kTitle.offset);
static_assert(kTitle.offset + kTitle.length == kArtist.offset);
static_assert(kArtist.offset + kArtist.length == kAlbum.offset);
static_assert(kAlbum.offset + kAlbum.length == kYear.offset);
static_assert(kYear.offset + kYear.length == kComment.offset);
static_assert(kCommentV11.offset + kCommentV11.length == kV11ZeroOffset);
static_assert(kComment.offset + kComment.length == kGenreOffset);
static_assert(kGenreOffset + 1 == kRecordSize);

}  // namespace tolvo::engine::id3v1
