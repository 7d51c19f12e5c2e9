// The engine's single ID3v2 field set: twelve texts with their sizes, owned by the engine between
// a read (or the set commands) and the release.
#pragma once

#include <array>
#include <cstdint>

namespace tolvo::engine {

// Field order of the set; also the order the control fetches them in.
enum class Id3v2Field : int {
  kComposer,
  kOriginalArtist,
  kCopyright,
  kUrl,
  kEncodedBy,
  kComment,
  kGenre,
  kYear,
  kAlbum,
  kArtist,
  kTitle,
  kTrack,
};
inline constexpr int kId3v2FieldCount = 12;

struct Id3v2FieldValue {
  int32_t size = 0;      // length stored by the last read; the set commands leave it alone
  char* text = nullptr;  // CountedAlloc block of at least length + 100 bytes, or none
};

struct Id3v2FieldSet {
  std::array<Id3v2FieldValue, kId3v2FieldCount> fields;
  Id3v2FieldValue& operator[](Id3v2Field f) { return fields[static_cast<int>(f)]; }
};

Id3v2FieldSet& Id3v2Fields();

// Replaces a field's text by a copy of text (block of length + 100), releasing the old one.
void SetId3v2FieldText(Id3v2Field field, const char* text);
// Releases every text and sets every size to 0.
void ReleaseId3v2Fields();

}  // namespace tolvo::engine
