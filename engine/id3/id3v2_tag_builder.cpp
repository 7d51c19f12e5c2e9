// The writer's frame walk: which old frames the twelve fields own, how a new field frame is laid
// out in 2.3 and 2.4, and how every other frame is carried (2.2 frames renamed, PIC turned into
// APIC, unsynchronisation undone, 2.4 sizes written syncsafe).
#include "id3/id3v2_tag_builder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "id3/id3v2_fields.h"
#include "id3/id3v2_layout.h"
#include "id3/id3v2_reader.h"
#include "id3/tag_text.h"

namespace tolvo::engine::id3v2 {
namespace {

constexpr size_t kCopyBlock = 64 * 1024;
// Bytes a comment or URL frame needs to show whether its description is empty: the format
// prefix (up to 6), the encoding, 3 language bytes and a byte-order mark with a terminator;
// twice that covers the bytes an unsynchronisation may have inserted.
constexpr size_t kDescriptionProbe = 32;
// A 2.2 picture names its format in 3 bytes after the encoding byte; 2.3 names a MIME type.
constexpr size_t kPictureFormatLength = 3;

void PutFrameHeader(std::string& out, const char* id, uint32_t dataSize, uint8_t version,
                    uint8_t statusFlags, uint8_t formatFlags) {
  uint8_t header[kFrameHeaderSize] = {};
  std::memcpy(header + kFrameIdOffset, id, kFrameIdLength);
  if (version == kVersion24) {
    WriteSyncsafe(dataSize, header + kFrameSizeOffset);
  } else {
    WriteBigEndian32(dataSize, header + kFrameSizeOffset);
  }
  header[kFrameFlagsOffset] = statusFlags;
  header[kFrameFlagsOffset + 1] = formatFlags;
  out.append(reinterpret_cast<const char*>(header), sizeof header);
}

// A URL is ISO-8859-1 in every version: a character beyond it is written percent-encoded as its
// UTF-8 bytes, the way a URL carries such characters.
std::string UrlBytes(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const char32_t c = tagtext::NextCharacter(utf8, i);
    if (c <= 0xFF) {
      out += static_cast<char>(c);
      continue;
    }
    std::string bytes;
    tagtext::AppendUtf8(bytes, c);
    for (unsigned char byte : bytes) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

// The ID of a field's frame in the version written: 2.4 keeps the year in TDRC.
const char* FieldFrameId(const HandledFrame& handled, uint8_t version) {
  return version == kVersion24 && handled.field == Id3v2Field::kYear ? kRecordingTimeId
                                                                     : handled.id;
}

// The status flags of a field's frame: TENC asks to be discarded when the file is altered.
uint8_t FieldFrameStatus(const HandledFrame& handled, uint8_t version) {
  if (handled.field != Id3v2Field::kEncodedBy) return 0;
  return version == kVersion24 ? kFrame24DiscardOnFileAlter : kFrame23DiscardOnFileAlter;
}

// The field a frame of the old tag belongs to, by its ID and the version being written, or -1.
int OwnedFieldIndex(const char* id, uint8_t version) {
  for (size_t i = 0; i < kFrameOrder.size(); ++i) {
    if (std::memcmp(kFrameOrder[i].id, id, kFrameIdLength) == 0) return static_cast<int>(i);
  }
  if (version == kVersion24 && std::memcmp(id, kRecordingTimeId, kFrameIdLength) == 0) {
    for (size_t i = 0; i < kFrameOrder.size(); ++i) {
      if (kFrameOrder[i].field == Id3v2Field::kYear) return static_cast<int>(i);
    }
  }
  return -1;
}

class FrameCarrier {
 public:
  FrameCarrier(FrameWalker& walker, const TagHeader& tag, ByteSink& out)
      : walker_(walker), tag_(tag), out_(out) {}

  // Whether a comment or URL frame has an empty description; the stream is left where it was.
  // A comment's language is noted in *language, so that its new frame keeps it.
  bool DescriptionIsEmpty(const FrameHeader& frame, const HandledFrame& handled,
                          std::string* language) {
    const TagStream::Mark mark = walker_.stream().Here();
    const int64_t left = walker_.DataLeft();
    std::string probe(static_cast<size_t>(std::min<int64_t>(left, kDescriptionProbe)), '\0');
    const int64_t got = walker_.ReadSome(reinterpret_cast<uint8_t*>(probe.data()), probe.size());
    walker_.stream().Rewind(mark);
    walker_.RestoreDataLeft(left);
    if (got < 0) return false;
    probe.resize(static_cast<size_t>(got));
    if (IsFrameUnsynchronised(tag_, frame.flags)) probe = Resynchronise(probe);
    const size_t prefix = FramePrefixSize(tag_.version, frame.flags);
    if (probe.size() <= prefix) return false;
    const auto* data = reinterpret_cast<const uint8_t*>(probe.data()) + prefix;
    const size_t size = probe.size() - prefix;
    const size_t from = handled.kind == TextKind::kComment ? 4 : 1;
    if (size <= from) return false;
    const uint8_t encoding = data[0];
    if (handled.kind == TextKind::kComment)
      language->assign(reinterpret_cast<const char*>(data) + 1, 3);
    const size_t terminator = tagtext::TerminatorSize(encoding);
    auto isTerminator = [&](size_t at) {
      if (at + terminator > size) return false;
      return terminator == 1 ? data[at] == 0 : data[at] == 0 && data[at + 1] == 0;
    };
    if (isTerminator(from)) return true;
    const bool bom = terminator == 2 && from + 2 <= size &&
                     ((data[from] == 0xFF && data[from + 1] == 0xFE) ||
                      (data[from] == 0xFE && data[from + 1] == 0xFF));
    return bom && isTerminator(from + 2);
  }

  // The decoded text of the current frame; the stream is left where it was.
  std::string Text(const FrameHeader& frame, const HandledFrame& handled) {
    const TagStream::Mark mark = walker_.stream().Here();
    const int64_t left = walker_.DataLeft();
    std::string data;
    const bool read = walker_.ReadData(&data);
    walker_.stream().Rewind(mark);
    walker_.RestoreDataLeft(left);
    if (!read) return {};
    if (IsFrameUnsynchronised(tag_, frame.flags)) data = Resynchronise(data);
    const size_t prefix = FramePrefixSize(tag_.version, frame.flags);
    if (data.size() < prefix) return {};
    return DecodeFrameText(reinterpret_cast<const uint8_t*>(data.data()) + prefix,
                           data.size() - prefix, handled.kind);
  }

  // Copies the rest of the current frame's data to the output: false when it ends early.
  BuildResult CopyData(int64_t count) {
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, kCopyBlock)));
    while (count > 0) {
      const int64_t got = walker_.ReadSome(
          buffer.data(), static_cast<size_t>(std::min<int64_t>(count, buffer.size())));
      if (got < 0) return BuildResult::kCannotReadTag;
      if (got == 0) return BuildResult::kCannotCarry;  // the tag ended inside the frame
      if (!out_.Append(buffer.data(), static_cast<size_t>(got))) return BuildResult::kWriteFailed;
      count -= got;
    }
    return BuildResult::kDone;
  }

  // Copies count bytes of the current frame's data with every 00 after an FF dropped to out (or,
  // with out null, only counts them); *size gets the bytes that remain.
  BuildResult CopyResynchronised(int64_t count, ByteSink* out, int64_t* size) {
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, kCopyBlock)));
    bool afterFF = false;
    *size = 0;
    while (count > 0) {
      const int64_t got = walker_.ReadSome(
          buffer.data(), static_cast<size_t>(std::min<int64_t>(count, buffer.size())));
      if (got < 0) return BuildResult::kCannotReadTag;
      if (got == 0) return BuildResult::kCannotCarry;  // the tag ended inside the frame
      count -= got;
      size_t kept = 0;
      for (int64_t i = 0; i < got; ++i) {
        const uint8_t byte = buffer[static_cast<size_t>(i)];
        if (afterFF && byte == 0) {
          afterFF = false;
          continue;
        }
        afterFF = byte == 0xFF;
        buffer[kept++] = byte;
      }
      *size += static_cast<int64_t>(kept);
      if (out && !out->Append(buffer.data(), kept)) return BuildResult::kWriteFailed;
    }
    return BuildResult::kDone;
  }

  BuildResult Emit(const std::string& bytes) {
    return out_.Append(bytes.data(), bytes.size()) ? BuildResult::kDone : BuildResult::kWriteFailed;
  }

  BuildResult Carry(const FrameHeader& frame) {
    if (tag_.version == kVersion22) return Carry22(frame);
    std::string header;
    if (tag_.version == kVersion24) {
      if (IsFrameUnsynchronised(tag_, frame.flags)) {
        // Written without unsynchronisation: the frame's data as it really is, flag cleared. A
        // first pass over the data gives its size, a second one copies it.
        const TagStream::Mark mark = walker_.stream().Here();
        int64_t size = 0;
        if (BuildResult result = CopyResynchronised(frame.dataSize, nullptr, &size);
            result != BuildResult::kDone)
          return result;
        walker_.stream().Rewind(mark);
        walker_.RestoreDataLeft(frame.dataSize);
        PutFrameHeader(header, frame.id, static_cast<uint32_t>(size), kVersion24, frame.flags[0],
                       static_cast<uint8_t>(frame.flags[1] & ~kFrame24Unsynchronised));
        if (BuildResult result = Emit(header); result != BuildResult::kDone) return result;
        return CopyResynchronised(frame.dataSize, &out_, &size);
      }
      PutFrameHeader(header, frame.id, static_cast<uint32_t>(frame.dataSize), kVersion24,
                     frame.flags[0], frame.flags[1]);
    } else {
      PutFrameHeader(header, frame.id, static_cast<uint32_t>(frame.dataSize), kVersion23,
                     frame.flags[0], frame.flags[1]);
    }
    if (BuildResult result = Emit(header); result != BuildResult::kDone) return result;
    return CopyData(frame.dataSize);
  }

  // A 2.2 frame under its 2.3 name; a picture gets the MIME type of its 3-letter format.
  BuildResult Carry22(const FrameHeader& frame) {
    std::string header;
    if (std::memcmp(frame.id, "APIC", kFrameIdLength) != 0) {
      // 2.2 has no flags: the status byte is 00 unless the writer set it for a field's frame.
      PutFrameHeader(header, frame.id, static_cast<uint32_t>(frame.dataSize), kVersion23,
                     frame.flags[0], 0);
      if (BuildResult result = Emit(header); result != BuildResult::kDone) return result;
      return CopyData(frame.dataSize);
    }
    const int64_t lead = 1 + static_cast<int64_t>(kPictureFormatLength);
    if (frame.dataSize < lead) return BuildResult::kCannotCarry;
    uint8_t start[1 + kPictureFormatLength];
    if (walker_.ReadSome(start, sizeof start) != static_cast<int64_t>(sizeof start))
      return BuildResult::kCannotCarry;
    std::string format(reinterpret_cast<const char*>(start + 1), kPictureFormatLength);
    std::transform(format.begin(), format.end(), format.begin(), [](char c) {
      return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    if (format == "jpg") format = "jpeg";
    std::string mime = "image/" + format;
    mime.erase(std::find(mime.begin(), mime.end(), '\0'), mime.end());
    const int64_t dataSize = frame.dataSize - lead + 1 + static_cast<int64_t>(mime.size()) + 1;
    PutFrameHeader(header, frame.id, static_cast<uint32_t>(dataSize), kVersion23, 0, 0);
    header += static_cast<char>(start[0]);
    header += mime;
    header += '\0';
    if (BuildResult result = Emit(header); result != BuildResult::kDone) return result;
    return CopyData(frame.dataSize - lead);
  }

 private:
  FrameWalker& walker_;
  const TagHeader& tag_;
  ByteSink& out_;
};

BuildResult AppendFieldFrame(ByteSink& out, size_t index, uint8_t version,
                             const std::string& language = {}) {
  const char* text = Id3v2Fields()[kFrameOrder[index].field].text;
  const std::string frame =
      FieldFrame(static_cast<int>(index), text ? text : "", version, language);
  if (frame.empty()) return BuildResult::kCannotCarry;
  return out.Append(frame.data(), frame.size()) ? BuildResult::kDone : BuildResult::kWriteFailed;
}

// The text of the first comment and URL frame with a description, by field.
using DescribedTexts = std::array<std::optional<std::string>, kId3v2FieldCount>;

BuildResult WalkOldTag(platform::File& source, int64_t fileSize, const TagHeader& tag,
                       uint8_t version, std::array<bool, kId3v2FieldCount>& pending,
                       DescribedTexts& describedTexts, ByteSink& out) {
  if (tag.version < kVersion22 || tag.version > kVersion24) return BuildResult::kCannotCarry;
  if (tag.version == kVersion22 && (tag.flags & kTagCompressed22) != 0)
    return BuildResult::kCannotCarry;
  if (fileSize < tag.size + static_cast<int64_t>(kHeaderSize)) return BuildResult::kCannotReadTag;
  FrameWalker walker(source, fileSize, tag);
  FrameCarrier carrier(walker, tag, out);
  for (;;) {
    FrameHeader frame;
    switch (walker.Next(&frame)) {
      case FrameWalker::Step::kFrame:
        break;
      case FrameWalker::Step::kEnd:
        return BuildResult::kDone;
      case FrameWalker::Step::kError:
        return BuildResult::kCannotReadTag;
    }
    // A size that cannot be, a frame cut off by the end of the tag, or a 2.2 frame that 2.3
    // has no name for cannot be carried as it is.
    if (frame.impossibleSize || frame.runsPastTag || frame.id[0] == 0)
      return BuildResult::kCannotCarry;
    int index = OwnedFieldIndex(frame.id, version);
    std::string language;
    if (index >= 0 && kFrameOrder[static_cast<size_t>(index)].kind != TextKind::kText) {
      // A comment or URL with a description belongs to another program.
      if (IsOpaque(tag.version, frame.flags)) {
        index = -1;
      } else if (!carrier.DescriptionIsEmpty(frame, kFrameOrder[static_cast<size_t>(index)],
                                             &language)) {
        // The reader takes the first such frame when there is no plain one: note its text, so
        // that the same text is not written again as a plain frame.
        std::optional<std::string>& first = describedTexts[static_cast<size_t>(index)];
        if (!first) first = carrier.Text(frame, kFrameOrder[static_cast<size_t>(index)]);
        index = -1;
      }
    } else if (index >= 0 && IsOpaque(tag.version, frame.flags)) {
      // A compressed or encrypted field frame: its value cannot be known, so it cannot be
      // replaced without losing it.
      return BuildResult::kCannotCarry;
    }
    if (index < 0) {
      if (BuildResult result = carrier.Carry(frame); result != BuildResult::kDone) return result;
      continue;
    }
    bool& isPending = pending[static_cast<size_t>(index)];
    if (!isPending) continue;  // a second frame of the same field is dropped
    isPending = false;
    // A field that keeps the text this frame gives keeps the frame as it is: its encoding, its
    // flags and the further values a 2.4 text frame may hold after the first are not lost.
    // Its header is the one the writer gives the field (ID and status flags).
    const HandledFrame& handled = kFrameOrder[static_cast<size_t>(index)];
    const char* text = Id3v2Fields()[handled.field].text;
    if (carrier.Text(frame, handled) == (text ? text : "")) {
      FrameHeader kept = frame;
      std::memcpy(kept.id, FieldFrameId(handled, version), kFrameIdLength);
      kept.flags[0] = FieldFrameStatus(handled, version);
      if (BuildResult result = carrier.Carry(kept); result != BuildResult::kDone) return result;
      continue;
    }
    if (BuildResult result = AppendFieldFrame(out, static_cast<size_t>(index), version, language);
        result != BuildResult::kDone)
      return result;
  }
}

// Gathers small appends into writes of up to kSinkBuffer bytes: a tag of many small frames, or a
// large frame passing in pieces, costs the output a few writes.
class BufferedSink : public ByteSink {
 public:
  explicit BufferedSink(ByteSink& out) : out_(out) {}
  bool Append(const void* bytes, size_t count) override {
    if (buffer_.size() + count > kSinkBuffer && !Flush()) return false;
    if (count >= kSinkBuffer) return out_.Append(bytes, count);
    const auto* begin = static_cast<const char*>(bytes);
    buffer_.insert(buffer_.end(), begin, begin + count);
    return true;
  }
  bool Flush() {
    const bool written = buffer_.empty() || out_.Append(buffer_.data(), buffer_.size());
    buffer_.clear();
    return written;
  }

 private:
  static constexpr size_t kSinkBuffer = 1 << 20;
  ByteSink& out_;
  std::vector<char> buffer_;
};

}  // namespace

uint8_t WrittenVersionFor(const TagHeader* oldTag) {
  return oldTag && oldTag->version == kVersion24 ? kVersion24 : kWrittenVersion;
}

std::string FieldFrame(int fieldIndexInFrameOrder, const std::string& text, uint8_t version,
                       const std::string& language) {
  const HandledFrame& handled = kFrameOrder[static_cast<size_t>(fieldIndexInFrameOrder)];
  std::string data;
  uint8_t encoding = tagtext::kLatin1;
  switch (handled.kind) {
    case TextKind::kText:
      encoding = tagtext::ChooseId3v2Encoding(text);
      data += static_cast<char>(encoding);
      data += tagtext::EncodeId3v2String(text, encoding);
      break;
    case TextKind::kUrl:
      data += static_cast<char>(tagtext::kLatin1);
      data += '\0';  // empty description
      data += UrlBytes(text);
      break;
    case TextKind::kComment:
      encoding = tagtext::ChooseId3v2Encoding(text);
      data += static_cast<char>(encoding);
      // The language of the comment replaced, else three zero bytes.
      data += language.size() == 3 ? language : std::string(3, '\0');
      if (encoding == tagtext::kUtf16) {
        data += tagtext::EncodeId3v2String("", encoding);  // an empty description: its mark
        data.append(2, '\0');
      } else {
        data += '\0';
      }
      data += tagtext::EncodeId3v2String(text, encoding);
      break;
  }
  if (static_cast<int64_t>(data.size()) > kMaxTagSize) return {};
  std::string frame;
  PutFrameHeader(frame, FieldFrameId(handled, version), static_cast<uint32_t>(data.size()),
                 version == kVersion24 ? kVersion24 : kVersion23,
                 FieldFrameStatus(handled, version), 0);
  frame += data;
  return frame;
}

namespace {

BuildResult BuildFramesInto(platform::File& source, int64_t fileSize, const TagHeader* oldTag,
                            ByteSink& out) {
  const uint8_t version = WrittenVersionFor(oldTag);
  std::array<bool, kId3v2FieldCount> pending;
  pending.fill(true);
  DescribedTexts describedTexts;
  if (oldTag) {
    if (BuildResult result =
            WalkOldTag(source, fileSize, *oldTag, version, pending, describedTexts, out);
        result != BuildResult::kDone)
      return result;
  }
  for (size_t index = 0; index < kFrameOrder.size(); ++index) {
    if (!pending[index]) continue;
    // A comment or URL the tag already holds in a frame with a description is kept there.
    const char* text = Id3v2Fields()[kFrameOrder[index].field].text;
    if (describedTexts[index] && *describedTexts[index] == (text ? text : "")) continue;
    if (BuildResult result = AppendFieldFrame(out, index, version); result != BuildResult::kDone)
      return result;
  }
  return BuildResult::kDone;
}

}  // namespace

BuildResult BuildFrames(platform::File& source, int64_t fileSize, const TagHeader* oldTag,
                        ByteSink& destination) {
  BufferedSink out(destination);
  const BuildResult result = BuildFramesInto(source, fileSize, oldTag, out);
  if (result != BuildResult::kDone) return result;
  return out.Flush() ? BuildResult::kDone : BuildResult::kWriteFailed;
}

void FillTagHeader(uint8_t* header, uint8_t version, uint32_t tagSize) {
  std::memcpy(header + kMarkerOffset, kMarkerText, kMarkerLength);
  header[kVersionOffset] = version;
  header[kRevisionOffset] = kWrittenRevision;
  header[kFlagsOffset] = kWrittenFlags;
  WriteSyncsafe(tagSize, header + kSizeOffset);
}

}  // namespace tolvo::engine::id3v2
