// The ID3v2 commands of interface1: the read, the release, and for each of the twelve fields
// its size, get and set command over the engine's one field set.
#include <array>
#include <iterator>
#include <utility>

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

// The file commands, then the size, get and set command of each field of the field set.
template <int... Field>
constexpr auto MakeCommands(std::integer_sequence<int, Field...>) {
  static_assert(std::size(commands::kId3v2Fields) == sizeof...(Field));
  return std::array{
      Command{commands::kGetId3v2, GetTag},
      Command{commands::kSetId3v2, SetTag},
      Command{commands::kRemoveId3v2, RemoveTag},
      Command{commands::kV2Cleanup, Cleanup},
      Command{commands::kId3v2Fields[Field].size, FieldSize<static_cast<Id3v2Field>(Field)>}...,
      Command{commands::kId3v2Fields[Field].get, GetField<static_cast<Id3v2Field>(Field)>}...,
      Command{commands::kId3v2Fields[Field].set, SetField<static_cast<Id3v2Field>(Field)>}...,
  };
}

constexpr auto kCommands = MakeCommands(std::make_integer_sequence<int, kId3v2FieldCount>{});

}  // namespace

std::span<const Command> Id3v2Commands() { return kCommands; }

}  // namespace tolvo::engine
