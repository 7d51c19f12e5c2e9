// The ID3v2 commands of interface1: the read, the release, and for each of the twelve fields
// its size, get and set command over the engine's one field set.
#include "core/command.h"
#include "id3/id3v2_fields.h"
#include "id3/id3v2_reader.h"
#include "id3/id3v2_remover.h"
#include "id3/id3v2_writer.h"

namespace tolvo::engine {
namespace {

template <Id3v2Field Field>
int32_t FieldSize(intptr_t, intptr_t, intptr_t) {
  return Id3v2Fields()[Field].size;
}

// A field without a text gives the empty text.
template <Id3v2Field Field>
int32_t GetField(intptr_t a1, intptr_t, intptr_t) {
  const char* text = Id3v2Fields()[Field].text;
  CopyOut(a1, text ? text : "");
  return 0;
}

// Stores a copy of the text; the size keeps what the last read set.
template <Id3v2Field Field>
int32_t SetField(intptr_t a1, intptr_t, intptr_t) {
  SetId3v2FieldText(Field, AsText(a1));
  return 0;
}

int32_t GetTag(intptr_t a1, intptr_t, intptr_t) {
  return ReadId3v2(reinterpret_cast<const char*>(a1));
}
int32_t SetTag(intptr_t a1, intptr_t, intptr_t) {
  return WriteId3v2(reinterpret_cast<const char*>(a1));
}
int32_t RemoveTag(intptr_t a1, intptr_t, intptr_t) {
  return RemoveId3v2(reinterpret_cast<const char*>(a1));
}
int32_t Cleanup(intptr_t, intptr_t, intptr_t) {
  ReleaseId3v2Fields();
  return 0;
}

// clang-format off
#define TOLVO_ID3V2_FIELD_COMMANDS(Name, Field)          \
  {"v2" Name "size", FieldSize<Id3v2Field::Field>},      \
  {"v2" Name, GetField<Id3v2Field::Field>},              \
  {"wv2" Name, SetField<Id3v2Field::Field>}
// clang-format on

constexpr Command kCommands[] = {
    {"getid3v2", GetTag},
    {"v2cleanup", Cleanup},
    TOLVO_ID3V2_FIELD_COMMANDS("Composer", kComposer),
    TOLVO_ID3V2_FIELD_COMMANDS("OriginalArtist", kOriginalArtist),
    TOLVO_ID3V2_FIELD_COMMANDS("Copyright", kCopyright),
    TOLVO_ID3V2_FIELD_COMMANDS("URL", kUrl),
    TOLVO_ID3V2_FIELD_COMMANDS("EncodedBy", kEncodedBy),
    TOLVO_ID3V2_FIELD_COMMANDS("Comment", kComment),
    TOLVO_ID3V2_FIELD_COMMANDS("Genre", kGenre),
    TOLVO_ID3V2_FIELD_COMMANDS("Year", kYear),
    TOLVO_ID3V2_FIELD_COMMANDS("Album", kAlbum),
    TOLVO_ID3V2_FIELD_COMMANDS("Artist", kArtist),
    TOLVO_ID3V2_FIELD_COMMANDS("Title", kTitle),
    TOLVO_ID3V2_FIELD_COMMANDS("Track", kTrack),
    {"setid3v2", SetTag},
    {"remove_id3v2_tag", RemoveTag},
};

#undef TOLVO_ID3V2_FIELD_COMMANDS

}  // namespace

std::span<const Command> Id3v2Commands() { return kCommands; }

}  // namespace tolvo::engine
