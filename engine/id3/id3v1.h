// ID3v1 tags: the engine's one field set, the conversion between it and the 128-byte record,
// and the read, write and removal of the record at the end of a file. The field set holds UTF-8
// texts; the record holds Windows-1252 bytes: the conversion happens at the record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tolvo/engine/interface1.h"
#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

// Room of each text buffer: a field of 30 Windows-1252 characters takes at most 90 bytes of
// UTF-8, so every stored text ends in zeros.
inline constexpr size_t kId3v1TextBufferSize = 100;

struct Id3v1FieldSet {
  char title[kId3v1TextBufferSize] = {};
  char artist[kId3v1TextBufferSize] = {};
  char album[kId3v1TextBufferSize] = {};
  char year[kId3v1TextBufferSize] = {};
  char comment[kId3v1TextBufferSize] = {};
  int32_t track = 0;  // 0: no track number (the ID3v1 form)
  int32_t genre = 0;  // index into the genre list; a write stores its low 8 bits
};

// The one field set of this loaded library, all zero at load.
Id3v1FieldSet& Id3v1Fields();

// The result codes of the file operations: tolvo/engine/interface1.h.

// Fills fields from a record; false (fields untouched) when the record does not begin "TAG".
bool ParseId3v1(const uint8_t* record, Id3v1FieldSet* fields);
// Renders fields as a record: zero-padded texts, the v1.1 form when the track is nonzero.
void RenderId3v1(const Id3v1FieldSet& fields, uint8_t* record);

// A failed operation leaves the field set as it was.
int32_t ReadId3v1(const char* path, Id3v1FieldSet& fields = Id3v1Fields(),
                  platform::FileSystem& fs = platform::RealFileSystem());
int32_t WriteId3v1(const char* path, const Id3v1FieldSet& fields = Id3v1Fields(),
                   platform::FileSystem& fs = platform::RealFileSystem());
// A removed tag's values are left in the field set, as a read leaves them.
int32_t RemoveId3v1(const char* path, Id3v1FieldSet& fields = Id3v1Fields(),
                    platform::FileSystem& fs = platform::RealFileSystem());

}  // namespace tolvo::engine
