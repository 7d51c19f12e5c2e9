// The ID3v2 reader: checks the header, walks the frames straight from the open file and stores
// the texts of the twelve handled frames as UTF-8. Sizes read from the file are never trusted:
// only a handled frame's data is ever held, and never more of it than the tag holds.
#include "id3/id3v2_reader.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <string>

#include "core/counted_alloc.h"
#include "core/file_services.h"
#include "core/trace.h"
#include "id3/genres.h"
#include "id3/id3v2_tag_stream.h"
#include "id3/tag_text.h"

namespace tolvo::engine {
namespace {

using platform::File;
using platform::FileSystem;
using platform::OpenMode;

// Where the comment kind's description starts: after the encoding byte and 3 language bytes.
constexpr size_t kCommentDescriptionOffset = 4;
constexpr size_t kUrlDescriptionOffset = 1;

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

// How strongly a frame's text claims its field: a stronger claim replaces a weaker one. Among
// equal claims a text frame's later one wins, while for the comment and the URL the first stays.
enum Claim : int {
  kNoClaim = 0,
  kRecordingTime = 1,  // TDRC for the year
  kDescribed = 1,      // COMM or WXXX with a description: another program's data
  kPlain = 2,          // the field's own frame
  kEmptyDescription = 2,
};

struct FieldMatch {
  const id3v2::HandledFrame* frame = nullptr;
  int claim = kNoClaim;
};

FieldMatch MatchField(const char* id) {
  FieldMatch match;
  match.frame = id3v2::FindHandledFrame(reinterpret_cast<const uint8_t*>(id));
  if (match.frame) {
    match.claim = kPlain;
  } else if (std::memcmp(id, id3v2::kRecordingTimeId, id3v2::kFrameIdLength) == 0) {
    match.frame = &id3v2::kFrameOrder[0];
    for (const id3v2::HandledFrame& frame : id3v2::kFrameOrder) {
      if (frame.field == Id3v2Field::kYear) match.frame = &frame;
    }
    match.claim = kRecordingTime;
  }
  return match;
}

// Stores a decoded frame text in its field. False when the walk must stop: a text whose
// length + 100 exceeds the file's size keeps its size but gets no text.
bool StoreFrameText(Id3v2Field field, const std::string& text, int64_t fileSize) {
  Id3v2FieldValue& value = Id3v2Fields()[field];
  value.size = static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX));
  CountedFree(value.text);
  value.text = nullptr;
  if (static_cast<int64_t>(text.size()) + static_cast<int64_t>(id3v2::kFieldTextSlack) > fileSize)
    return false;
  SetId3v2FieldText(field, text.c_str());
  if (field == Id3v2Field::kGenre) GenreReference();
  return true;
}

// The content of a handled frame: its data with the frame's unsynchronisation undone and the
// bytes its format flags add taken off. False when there is no readable content.
bool FrameContent(id3v2::FrameWalker& walker, const id3v2::TagHeader& header,
                  const id3v2::FrameHeader& frame, std::string* content, bool* readError) {
  if (!walker.ReadData(content)) {
    *readError = true;
    return false;
  }
  if (id3v2::IsOpaque(header.version, frame.flags)) return false;
  if (id3v2::IsFrameUnsynchronised(header, frame.flags)) *content = id3v2::Resynchronise(*content);
  const size_t prefix = id3v2::FramePrefixSize(header.version, frame.flags);
  if (content->size() < prefix) return false;
  content->erase(0, prefix);
  return true;
}

// Walks the frames; result 0 when the walk ends, 1 when a text is too long for the file, 2 when
// the tag's bytes cannot be read.
int32_t WalkFrames(File& file, const id3v2::TagHeader& header, int64_t fileSize) {
  id3v2::FrameWalker walker(file, fileSize, header);
  std::array<int, kId3v2FieldCount> claims{};
  std::string content;
  for (;;) {
    id3v2::FrameHeader frame;
    switch (walker.Next(&frame)) {
      case id3v2::FrameWalker::Step::kFrame:
        break;
      case id3v2::FrameWalker::Step::kEnd:
        return kId3v2ReadOk;
      case id3v2::FrameWalker::Step::kError:
        return kId3v2CannotReadTag;
    }
    if (frame.impossibleSize) continue;  // walked over as an unknown frame
    FieldMatch match = MatchField(frame.id);
    if (!match.frame) continue;
    bool readError = false;
    if (!FrameContent(walker, header, frame, &content, &readError)) {
      if (readError) return kId3v2CannotReadTag;
      continue;
    }
    bool emptyDescription = true;
    const std::string text = DecodeFrameText(reinterpret_cast<const uint8_t*>(content.data()),
                                             content.size(), match.frame->kind, &emptyDescription);
    if (text.empty() || static_cast<int64_t>(content.size()) < match.frame->minimumDataSize)
      continue;

    const bool firstWins = match.frame->kind != id3v2::TextKind::kText;
    if (firstWins) match.claim = emptyDescription ? kEmptyDescription : kDescribed;
    int& held = claims[static_cast<size_t>(match.frame->field)];
    if (match.claim < held || (match.claim == held && firstWins)) continue;
    held = match.claim;
    if (!StoreFrameText(match.frame->field, text, fileSize)) return kId3v2NoUsableTag;
  }
}

}  // namespace

int64_t Id3v2TagLength(const char* path, FileSystem& fs) {
  if (!path) return 0;
  File file = File::Open(fs, path, OpenMode::kRead);
  if (!file.IsOpen()) return 0;
  uint8_t bytes[id3v2::kHeaderSize];
  const int64_t got = file.ReadFull(bytes, sizeof bytes);
  const int64_t fileSize = file.Size();
  id3v2::TagHeader header;
  if (got != static_cast<int64_t>(sizeof bytes) ||
      !id3v2::ParseTagHeader(bytes, sizeof bytes, fileSize, &header))
    return 0;
  return header.length;
}

std::string DecodeFrameText(const uint8_t* data, size_t size, id3v2::TextKind kind,
                            bool* emptyDescription) {
  if (emptyDescription) *emptyDescription = true;
  if (size <= 1) return {};
  const uint8_t encoding = data[0];
  if (kind == id3v2::TextKind::kText) {
    return tagtext::DecodeId3v2String(encoding, data + 1,
                                      tagtext::StringLength(encoding, data + 1, size - 1));
  }
  // A description ended by its terminator, then the text (for WXXX an ISO-8859-1 URL).
  const size_t from =
      kind == id3v2::TextKind::kUrl ? kUrlDescriptionOffset : kCommentDescriptionOffset;
  if (size <= from + 1) return {};
  const size_t description = tagtext::StringLength(encoding, data + from, size - from);
  const size_t textStart = from + description + tagtext::TerminatorSize(encoding);
  if (from + description >= size || textStart > size) return {};  // no terminator
  if (emptyDescription) {
    // An empty description is a bare terminator, or a byte-order mark and a terminator.
    const bool bomOnly = description == 2 && tagtext::TerminatorSize(encoding) == 2 &&
                         ((data[from] == 0xFF && data[from + 1] == 0xFE) ||
                          (data[from] == 0xFE && data[from + 1] == 0xFF));
    *emptyDescription = description == 0 || bomOnly;
  }
  const uint8_t textEncoding = kind == id3v2::TextKind::kUrl ? uint8_t{tagtext::kLatin1} : encoding;
  return tagtext::DecodeId3v2String(
      textEncoding, data + textStart,
      tagtext::StringLength(textEncoding, data + textStart, size - textStart));
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

int32_t ReadId3v2From(File& file) {
  const int64_t fileSize = file.Size();
  uint8_t bytes[id3v2::kHeaderSize];
  if (!file.SeekTo(0)) return kId3v2NoUsableTag;
  const int64_t got = file.ReadFull(bytes, sizeof bytes);
  id3v2::TagHeader header;
  if (got != static_cast<int64_t>(sizeof bytes) ||
      !id3v2::ParseTagHeader(bytes, sizeof bytes, fileSize, &header))
    return kId3v2NoUsableTag;
  // The header and its frames must all be there.
  if (fileSize < header.size + static_cast<int64_t>(id3v2::kHeaderSize)) return kId3v2CannotReadTag;
  return WalkFrames(file, header, fileSize);
}

int32_t ReadId3v2(const char* path, FileSystem& fs) {
  Trace("ReadId3v2 %s", path ? path : "(null)");
  ReleaseId3v2Fields();
  if (!path) return kId3v2NoUsableTag;
  File file = File::Open(fs, path, OpenMode::kRead);
  if (!file.IsOpen()) return kId3v2NoUsableTag;
  if (!platform::IsRegularFile(fs.StatFd(file.fd()))) return kId3v2NoUsableTag;
  return ReadId3v2From(file);
}

}  // namespace tolvo::engine
