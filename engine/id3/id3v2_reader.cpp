// The ID3v2 reader: checks the header, reads the whole tag with one read into one counted block,
// walks its frames in memory and stores the texts of the twelve handled frames. Sizes read from
// the file are never trusted: every copy is bounded by the tag image it comes from.
#include "id3/id3v2_reader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "core/counted_alloc.h"
#include "core/file_services.h"
#include "core/trace.h"
#include "id3/genres.h"

namespace tolvo::engine {
namespace {

using platform::File;
using platform::FileSystem;
using platform::OpenMode;

// Offset of the first zero byte in data[from .. to], or -1 when there is none.
int64_t FindZero(const char* data, size_t from, size_t to) {
  for (size_t i = from; i <= to; ++i) {
    if (data[i] == 0) return static_cast<int64_t>(i);
  }
  return -1;
}

// The decimal number that follows the first "(": leading blanks and a sign are allowed, reading
// stops at the first non-digit. Saturates instead of overflowing. A "(" followed by no digit is
// no reference (-1): the refinements "(RX)" and "(CR)" or a text such as "Rock (live)" stay as
// they are instead of turning into genre 0.
int64_t NumberAfterParenthesis(const char* text) {
  const char* p = std::strchr(text, '(');
  if (!p) return 0;
  ++p;
  while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (*p < '0' || *p > '9') return -1;
  int64_t number = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    number = std::min<int64_t>(number * 10 + (*p - '0'), INT32_MAX);
  }
  return negative ? -number : number;
}

// Stores a decoded frame text in its field. False when the walk must stop: a text whose
// length + 100 exceeds the file's size keeps its size but gets no text.
bool StoreFrameText(const id3v2::HandledFrame& frame, const char* text, size_t length,
                    int64_t fileSize) {
  Id3v2FieldValue& value = Id3v2Fields()[frame.field];
  value.size = static_cast<int32_t>(length);
  CountedFree(value.text);
  value.text = nullptr;
  if (static_cast<int64_t>(length) + static_cast<int64_t>(id3v2::kFieldTextSlack) > fileSize)
    return false;
  SetId3v2FieldText(frame.field, text);
  if (frame.field == Id3v2Field::kGenre) GenreReference();
  return true;
}

// Walks the frames of a tag image of tagLength bytes; result 0 when the walk ends, 1 when it
// stops at an oversized frame or text.
int32_t WalkFrames(const uint8_t* image, int64_t tagLength, int64_t fileSize) {
  int64_t position = static_cast<int64_t>(id3v2::kHeaderSize);
  for (;;) {
    if (position + static_cast<int64_t>(id3v2::kFrameHeaderSize) >= tagLength) return 0;
    const uint8_t* header = image + position;
    if (header[id3v2::kFrameIdOffset] == 0) return 0;  // padding or an extended header

    int64_t dataSize =
        static_cast<int32_t>(id3v2::ReadBigEndian32(header + id3v2::kFrameSizeOffset));
    if (dataSize < 0 || dataSize >= fileSize) dataSize = 1;  // an impossible size
    if (dataSize > id3v2::kMaxFrameDataSize) return 1;

    // A frame may claim more data than the image holds: take only the bytes inside it.
    const int64_t dataStart = position + static_cast<int64_t>(id3v2::kFrameHeaderSize);
    const int64_t available = std::min(dataSize, tagLength - dataStart);
    CountedBlock work = MakeCountedBlock(static_cast<size_t>(dataSize) + id3v2::kFrameWorkSlack);
    if (!work) return 1;
    std::memcpy(work.get(), image + dataStart, static_cast<size_t>(available));

    const id3v2::HandledFrame* frame = id3v2::FindHandledFrame(header + id3v2::kFrameIdOffset);
    const id3v2::TextKind kind = frame ? frame->kind : id3v2::TextKind::kText;
    const size_t length = DecodeFrameText(work.get(), static_cast<size_t>(dataSize), kind);
    if (frame && length > 0 && dataSize >= frame->minimumDataSize) {
      if (!StoreFrameText(*frame, work.get(), length, fileSize)) return 1;
    }
    position = dataStart + dataSize;
  }
}

}  // namespace

int64_t Id3v2TagLength(const char* path, FileSystem& fs) {
  if (!path) return 0;
  File file = File::Open(fs, path, OpenMode::kRead);
  if (!file.IsOpen()) return 0;
  uint8_t header[id3v2::kHeaderSize];
  const bool complete = file.ReadFull(header, sizeof header) == static_cast<int64_t>(sizeof header);
  const int64_t fileSize = file.Size();
  file.Close();
  if (!complete) return 0;
  if (std::memcmp(header + id3v2::kMarkerOffset, id3v2::kMarkerText, id3v2::kMarkerLength) != 0)
    return 0;
  const int64_t tagSize = id3v2::ReadSyncsafe(header + id3v2::kSizeOffset);
  // The file need only hold the tag size, not the 10 header bytes on top: a short read of the
  // whole tag reports that case.
  if (fileSize < tagSize) return 0;
  return tagSize + static_cast<int64_t>(id3v2::kHeaderSize);
}

int32_t ReadFileStart(const char* path, void* buffer, size_t count, FileSystem& fs) {
  if (!path) return 1;
  File file = File::Open(fs, path, OpenMode::kRead);
  if (!file.IsOpen()) return 1;
  return file.ReadFull(buffer, count) == static_cast<int64_t>(count) ? 0 : 2;
}

size_t DecodeFrameText(char* data, size_t size, id3v2::TextKind kind) {
  size_t start = 0;
  size_t length = 0;
  switch (kind) {
    case id3v2::TextKind::kText:
      if (size > 1) {
        start = 1;
        length = strnlen(data + start, size - start);
      }
      break;
    case id3v2::TextKind::kUrl:
    case id3v2::TextKind::kComment: {
      // The description ends with a zero after the encoding byte (and the language for COMM).
      const size_t searchFrom = kind == id3v2::TextKind::kUrl ? 1 : 4;
      const size_t smallest = kind == id3v2::TextKind::kUrl ? 2 : 5;
      if (size <= smallest) break;
      const int64_t end = FindZero(data, searchFrom, size - 2);
      if (end < 0) break;
      start = static_cast<size_t>(end) + 1;
      length = strnlen(data + start, size - start);
      break;
    }
  }
  std::memmove(data, data + start, length);
  data[length] = 0;
  return length;
}

void GenreReference() {
  Id3v2FieldValue& genre = Id3v2Fields()[Id3v2Field::kGenre];
  if (!genre.text) return;
  const std::string text = genre.text;
  if (FindText(text, "(") == 0 || FindText(text, ")") == 0) return;
  const int64_t index = NumberAfterParenthesis(genre.text);
  if (index < 0 || index >= kNoGenre) return;  // 148, the blank entry, is no reference
  const char* name = GenreNameAt(static_cast<int32_t>(index));
  SetId3v2FieldText(Id3v2Field::kGenre, name);
  genre.size = static_cast<int32_t>(std::strlen(name));
}

int32_t ReadId3v2(const char* path, FileSystem& fs) {
  Trace("ReadId3v2 %s", path ? path : "(null)");
  ReleaseId3v2Fields();
  if (!path) return kId3v2NoUsableTag;
  const int64_t fileSize = FileSize(path, fs);
  const int64_t tagLength = Id3v2TagLength(path, fs);
  if (tagLength == 0) return kId3v2NoUsableTag;
  // The two sizes come from separate looks at the file; a size that no longer holds the tag
  // means the first look failed or the file changed, and no frame size can be judged by it.
  if (fileSize < tagLength - static_cast<int64_t>(id3v2::kHeaderSize)) return kId3v2NoUsableTag;

  CountedBlock image = MakeCountedBlock(static_cast<size_t>(tagLength) + id3v2::kImageSlack);
  if (!image) return kId3v2CannotReadTag;
  if (ReadFileStart(path, image.get(), static_cast<size_t>(tagLength), fs) != 0)
    return kId3v2CannotReadTag;
  return WalkFrames(reinterpret_cast<const uint8_t*>(image.get()), tagLength, fileSize);
}

}  // namespace tolvo::engine
