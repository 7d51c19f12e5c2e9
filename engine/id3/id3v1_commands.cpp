// The ID3v1 commands of interface1: the file operations, the field gets and sets over the
// engine's one field set, and the genre names.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "core/command.h"
#include "id3/genres.h"
#include "id3/id3v1.h"
#include "id3/id3v1_layout.h"
#include "id3/tag_text.h"

namespace tolvo::engine {
namespace {

// Clears the whole buffer, then stores the first `limit` characters of the UTF-8 text as the
// record can hold them (a character Windows-1252 lacks becomes '?'): the field set then shows
// exactly what a write stores, and every byte after the text stays zero.
void StoreText(char (&buffer)[kId3v1TextBufferSize], intptr_t text, size_t limit) {
  std::memset(buffer, 0, sizeof buffer);
  const std::string stored = tagtext::Id3v1Text(AsText(text), limit);
  std::memcpy(buffer, stored.data(), std::min(stored.size(), sizeof buffer - 1));
}

using TextField = char (Id3v1FieldSet::*)[kId3v1TextBufferSize];

template <TextField Field>
int32_t GetText(intptr_t a1, intptr_t, intptr_t) {
  CopyOut(a1, Id3v1Fields().*Field);
  return 0;
}

template <TextField Field, size_t Limit>
int32_t SetText(intptr_t a1, intptr_t, intptr_t) {
  StoreText(Id3v1Fields().*Field, a1, Limit);
  return 0;
}

int32_t GetTrack(intptr_t, intptr_t, intptr_t) { return Id3v1Fields().track; }
int32_t GetGenre(intptr_t, intptr_t, intptr_t) { return Id3v1Fields().genre; }

// The limit follows the track number stored at this moment: the v1.1 form has 28 bytes.
int32_t SetComment(intptr_t a1, intptr_t, intptr_t) {
  Id3v1FieldSet& fields = Id3v1Fields();
  const size_t limit = fields.track != 0 ? id3v1::kCommentV11.length : id3v1::kComment.length;
  StoreText(fields.comment, a1, limit);
  return 0;
}
int32_t SetTrack(intptr_t a1, intptr_t, intptr_t) {
  Id3v1Fields().track = AsNumber(a1);
  return 0;
}
int32_t SetGenre(intptr_t a1, intptr_t, intptr_t) {
  Id3v1Fields().genre = AsNumber(a1);
  return 0;
}

int32_t GetTag(intptr_t a1, intptr_t, intptr_t) {
  return ReadId3v1(reinterpret_cast<const char*>(a1));
}
int32_t SetTag(intptr_t a1, intptr_t, intptr_t) {
  return WriteId3v1(reinterpret_cast<const char*>(a1));
}
int32_t RemoveTag(intptr_t a1, intptr_t, intptr_t) {
  return RemoveId3v1(reinterpret_cast<const char*>(a1));
}
int32_t GenerateGenre(intptr_t a1, intptr_t, intptr_t a3) {
  return GenreName(AsNumber(a3), AsBuffer(a1));
}

constexpr Command kCommands[] = {
    {commands::kGetId3v1, GetTag},
    {commands::kSetId3v1, SetTag},
    {commands::kRemoveId3v1, RemoveTag},
    {commands::kGenerateGenre, GenerateGenre},
    {commands::kV1Title, GetText<&Id3v1FieldSet::title>},
    {commands::kV1Artist, GetText<&Id3v1FieldSet::artist>},
    {commands::kV1Album, GetText<&Id3v1FieldSet::album>},
    {commands::kV1Year, GetText<&Id3v1FieldSet::year>},
    {commands::kV1Comment, GetText<&Id3v1FieldSet::comment>},
    {commands::kV1Track, GetTrack},
    {commands::kV1Genre, GetGenre},
    {commands::kSetV1Title, SetText<&Id3v1FieldSet::title, id3v1::kTitle.length>},
    {commands::kSetV1Artist, SetText<&Id3v1FieldSet::artist, id3v1::kArtist.length>},
    {commands::kSetV1Album, SetText<&Id3v1FieldSet::album, id3v1::kAlbum.length>},
    {commands::kSetV1Year, SetText<&Id3v1FieldSet::year, id3v1::kYear.length>},
    {commands::kSetV1Comment, SetComment},
    {commands::kSetV1Track, SetTrack},
    {commands::kSetV1Genre, SetGenre},
};

}  // namespace

std::span<const Command> Id3v1Commands() { return kCommands; }

}  // namespace tolvo::engine
