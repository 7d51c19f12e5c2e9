// Reading, writing and removing the ID3v1 record at the end of a file, and the conversion
// between the record and the engine's field set. Each operation opens the file once and closes
// it on every path; a failed operation leaves the field set as it was.
#include "id3/id3v1.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/file_rewrite.h"
#include "core/trace.h"
#include "id3/genres.h"
#include "id3/id3v1_layout.h"
#include "id3/id3v2_layout.h"
#include "id3/id3v2_writer.h"
#include "id3/mp3_check.h"
#include "id3/tag_text.h"

namespace tolvo::engine {
namespace {

using platform::File;
using platform::FileSystem;
using platform::OpenMode;

Id3v1FieldSet fieldSet;  // the engine's one set, all zero at load

// A record field's text: its Windows-1252 bytes up to the first zero or the field's end, taken as
// they stand (nothing trimmed), as UTF-8. 30 bytes give at most 90: the buffer holds them.
void TakeText(const uint8_t* record, id3v1::FieldSpan span, char* text) {
  const auto* begin = reinterpret_cast<const char*>(record + span.offset);
  const std::string utf8 = tagtext::Windows1252ToUtf8({begin, strnlen(begin, span.length)});
  std::memcpy(text, utf8.data(), std::min(utf8.size(), kId3v1TextBufferSize - 1));
}

// The text's Windows-1252 bytes, at most the field's width; the rest of the field stays zero.
void PutText(const char* text, id3v1::FieldSpan span, uint8_t* record) {
  const std::string bytes = tagtext::Utf8ToWindows1252({text, strnlen(text, kId3v1TextBufferSize)});
  std::memcpy(record + span.offset, bytes.data(), std::min(bytes.size(), span.length));
}

// The size of an open regular file; -1 for anything else (a folder opens on this platform, but
// holds no tag).
int64_t RegularFileSize(FileSystem& fs, const File& file) {
  const platform::IoResult<platform::FileInfo> info = fs.StatFd(file.fd());
  return platform::IsRegularFile(info) ? info->size : -1;
}

// Reads the last 128 bytes of an open file of the given size.
bool ReadLastRecord(File& file, int64_t size, uint8_t* record) {
  return file.SeekTo(size - static_cast<int64_t>(id3v1::kRecordSize)) &&
         file.ReadFull(record, id3v1::kRecordSize) == static_cast<int64_t>(id3v1::kRecordSize);
}

// The write's code for a failed open of the file.
int32_t WriteCodeOf(RewriteStatus status) {
  switch (status) {
    case RewriteStatus::kReadOnly:
      return kId3v1WriteReadOnly;
    case RewriteStatus::kNotPermitted:
      return kTagFileNotPermitted;
    case RewriteStatus::kLocked:
      return kTagFileLocked;
    default:
      return kId3v1CannotOpen;
  }
}

// The removal's code for a failed open: a missing file holds nothing to remove.
int32_t RemoveCodeOf(RewriteStatus status) {
  switch (status) {
    case RewriteStatus::kMissing:
      return kId3v1Ok;
    case RewriteStatus::kReadOnly:
      return kId3v1RemoveReadOnly;
    case RewriteStatus::kNotPermitted:
      return kTagFileNotPermitted;
    case RewriteStatus::kLocked:
      return kTagFileLocked;
    default:
      return kId3v1CannotCut;
  }
}

}  // namespace

Id3v1FieldSet& Id3v1Fields() { return fieldSet; }

bool ParseId3v1(const uint8_t* record, Id3v1FieldSet* fields) {
  if (std::memcmp(record + id3v1::kMarker.offset, id3v1::kMarkerText, id3v1::kMarker.length) != 0)
    return false;
  Id3v1FieldSet parsed;  // texts cleared to zero
  TakeText(record, id3v1::kTitle, parsed.title);
  TakeText(record, id3v1::kArtist, parsed.artist);
  TakeText(record, id3v1::kAlbum, parsed.album);
  TakeText(record, id3v1::kYear, parsed.year);
  if (record[id3v1::kV11ZeroOffset] == 0) {
    TakeText(record, id3v1::kCommentV11, parsed.comment);
    parsed.track = record[id3v1::kTrackOffset];
  } else {
    TakeText(record, id3v1::kComment, parsed.comment);
    parsed.track = 0;
  }
  // 255 is the usual "no genre" byte; everything past the list reads as the blank entry.
  parsed.genre = std::min<int32_t>(record[id3v1::kGenreOffset], kNoGenre);
  *fields = parsed;
  return true;
}

void RenderId3v1(const Id3v1FieldSet& fields, uint8_t* record) {
  std::memset(record, 0, id3v1::kRecordSize);
  std::memcpy(record + id3v1::kMarker.offset, id3v1::kMarkerText, id3v1::kMarker.length);
  PutText(fields.title, id3v1::kTitle, record);
  PutText(fields.artist, id3v1::kArtist, record);
  PutText(fields.album, id3v1::kAlbum, record);
  PutText(fields.year, id3v1::kYear, record);
  if (fields.track != 0) {
    PutText(fields.comment, id3v1::kCommentV11, record);
    record[id3v1::kV11ZeroOffset] = 0;
    record[id3v1::kTrackOffset] = static_cast<uint8_t>(fields.track & 0xFF);
  } else {
    PutText(fields.comment, id3v1::kComment, record);
  }
  record[id3v1::kGenreOffset] = static_cast<uint8_t>(fields.genre & 0xFF);
}

int32_t ReadId3v1(const char* path, Id3v1FieldSet& fields, FileSystem& fs) {
  Trace("ReadId3v1 %s", path ? path : "(null)");
  if (!path) return kId3v1CannotOpen;
  File file = File::Open(fs, path, OpenMode::kRead);
  if (!file.IsOpen()) return kId3v1CannotOpen;
  const int64_t size = RegularFileSize(fs, file);
  if (size < 0) return kId3v1CannotOpen;
  if (size < static_cast<int64_t>(id3v1::kRecordSize)) return kId3v1TooShort;
  uint8_t record[id3v1::kRecordSize];
  if (!ReadLastRecord(file, size, record)) return kId3v1CannotRead;
  if (!ParseId3v1(record, &fields)) return kId3v1CannotRead;
  return kId3v1Ok;
}

int32_t WriteId3v1(const char* path, const Id3v1FieldSet& fields, FileSystem& fs) {
  Trace("WriteId3v1 %s", path ? path : "(null)");
  if (!path) return kId3v1CannotOpen;
  // One open: the checks, the old record and the new one all concern the file it gives.
  FileRewrite rewrite(fs);
  if (RewriteStatus opened = rewrite.Open(path); opened != RewriteStatus::kOk)
    return WriteCodeOf(opened);
  File& file = rewrite.source();
  const int64_t size = rewrite.info().size;
  if (size < static_cast<int64_t>(id3v1::kRecordSize)) return kId3v1TooShort;
  uint8_t old[id3v1::kRecordSize];
  if (!ReadLastRecord(file, size, old)) return kId3v1CannotRead;

  // Only an MP3 file gets a tag: appended to another container it would break that file.
  uint8_t start[id3v2::kHeaderSize] = {};
  const int64_t startBytes = std::min<int64_t>(size, sizeof start);
  if (!file.SeekTo(0) || file.ReadFull(start, static_cast<size_t>(startBytes)) != startBytes)
    return kId3v1CannotRead;
  const int64_t audioStart =
      id3v2::TagLengthFromHeader(start, static_cast<size_t>(startBytes), size);
  if (!LooksLikeMp3(file, audioStart, size)) return kId3v1WriteNotMp3;

  // An existing tag is replaced in place; otherwise the new one is appended.
  const bool replacing =
      std::memcmp(old + id3v1::kMarker.offset, id3v1::kMarkerText, id3v1::kMarker.length) == 0;
  const int64_t position = replacing ? size - static_cast<int64_t>(id3v1::kRecordSize) : size;
  uint8_t record[id3v1::kRecordSize];
  RenderId3v1(fields, record);
  if (!file.SeekTo(position)) return kId3v1WriteFailed;
  if (file.WriteFull(record, sizeof record) != static_cast<int64_t>(sizeof record)) {
    // Undo a partial write where the file still allows it: cut an appended fragment off, or put
    // the old tag's bytes back. Either way the failure is reported.
    if (replacing) {
      if (file.SeekTo(position)) file.WriteFull(old, sizeof old);
    } else {
      file.Truncate(size);
    }
    return kId3v1WriteFailed;
  }
  if (!file.Close()) return kId3v1WriteFailed;  // a lost write surfaces at close
  return kId3v1Ok;
}

int32_t RemoveId3v1(const char* path, Id3v1FieldSet& fields, FileSystem& fs) {
  Trace("RemoveId3v1 %s", path ? path : "(null)");
  if (!path) return kId3v1Ok;  // nothing named, nothing to remove
  FileRewrite rewrite(fs);
  if (RewriteStatus opened = rewrite.Open(path); opened != RewriteStatus::kOk)
    return RemoveCodeOf(opened);
  File& file = rewrite.source();
  const int64_t size = rewrite.info().size;
  // No readable tag (too short, no marker) is nothing to remove: success.
  uint8_t record[id3v1::kRecordSize];
  if (size < static_cast<int64_t>(id3v1::kRecordSize) || !ReadLastRecord(file, size, record) ||
      !ParseId3v1(record, &fields)) {
    return kId3v1Ok;
  }
  if (!file.Truncate(size - static_cast<int64_t>(id3v1::kRecordSize)) || !file.Close())
    return kId3v1CannotCut;
  return kId3v1Ok;
}

}  // namespace tolvo::engine
