// Fuzz target: an arbitrary old tag (fuzz_input.h: any start, or a tag of every version and flag),
// rewritten with twelve fixed texts, must read back with exactly those texts and must still hold
// every frame of the old tag that the twelve fields do not own, with its content and flags; a
// refused rewrite must leave the file byte for byte as it was, and no run may leave a temporary
// file or an open descriptor.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/counted_alloc.h"
#include "core/engine_state.h"
#include "fuzz_input.h"
#include "id3/id3v2_fields.h"
#include "id3/id3v2_reader.h"
#include "id3/id3v2_tag_stream.h"
#include "id3/id3v2_writer.h"
#include "tolvo/platform/file_system.h"

namespace {

using namespace tolvo::engine;
using tolvo::platform::File;
using tolvo::platform::FileSystem;
using tolvo::platform::OpenMode;

const char* const kTexts[kId3v2FieldCount] = {
    "Composer", "Original artist", "Copyright", "http://example.org/u",
    "Encoder",  "Комментарий",     "Genre",     "2026",
    "Album",    "坂本龍一",        "Title €",   "12"};

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "id3v2_write_fuzz: %s\n", what);
  std::abort();
}

std::vector<uint8_t> ReadWhole(tolvo::platform::MemoryFileSystem& fs) {
  const std::string content = fs.Content(tolvo::fuzz::kSongPath);
  return std::vector<uint8_t>(content.begin(), content.end());
}

// A frame of a tag as the fields do not own it: its 2.3/2.4 ID, flags and content (with its own
// unsynchronisation undone, as a rewrite carries it).
struct ForeignFrame {
  std::string id;
  uint8_t status, format;
  std::string data;
  bool operator==(const ForeignFrame&) const = default;
};

bool OwnedByAField(const id3v2::FrameHeader& frame, const id3v2::TagHeader& tag,
                   const std::string& content) {
  const std::string id(frame.id);
  if (id == "TYER" || (id == "TDRC" && tag.version == id3v2::kVersion24)) return true;
  const id3v2::HandledFrame* handled =
      id3v2::FindHandledFrame(reinterpret_cast<const uint8_t*>(frame.id));
  if (!handled) return false;
  if (handled->kind == id3v2::TextKind::kText) return true;
  if (id3v2::IsOpaque(tag.version, frame.flags)) return false;
  const size_t prefix = id3v2::FramePrefixSize(tag.version, frame.flags);
  if (content.size() < prefix) return true;
  bool emptyDescription = true;
  DecodeFrameText(reinterpret_cast<const uint8_t*>(content.data()) + prefix,
                  content.size() - prefix, handled->kind, &emptyDescription);
  return emptyDescription;
}

// With pictures22, the content of APIC frames is not compared: a 2.2 picture gets a MIME type in
// place of its format when it becomes APIC.
std::vector<ForeignFrame> ForeignFrames(FileSystem& fs, bool* pictures22) {
  std::vector<ForeignFrame> frames;
  File file = File::Open(fs, tolvo::fuzz::kSongPath, OpenMode::kRead);
  uint8_t bytes[id3v2::kHeaderSize];
  id3v2::TagHeader tag;
  if (file.ReadFull(bytes, sizeof bytes) != sizeof bytes ||
      !id3v2::ParseTagHeader(bytes, sizeof bytes, file.Size(), &tag))
    return frames;
  id3v2::FrameWalker walker(file, file.Size(), tag);
  id3v2::FrameHeader frame;
  while (walker.Next(&frame) == id3v2::FrameWalker::Step::kFrame) {
    std::string content;
    if (!walker.ReadData(&content)) Fail("cannot read a frame");
    uint8_t format = frame.flags[1];
    if (id3v2::IsFrameUnsynchronised(tag, frame.flags)) {
      content = id3v2::Resynchronise(content);
      format &= static_cast<uint8_t>(~id3v2::kFrame24Unsynchronised);
    }
    if (OwnedByAField(frame, tag, content)) continue;
    if (tag.version == id3v2::kVersion22) *pictures22 = true;
    if (*pictures22 && std::string(frame.id) == "APIC") content.clear();
    frames.push_back({frame.id, frame.flags[0], format, content});
  }
  return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tolvo::fuzz::kSongPath;
  const std::vector<uint8_t> file = tolvo::fuzz::FileFromInput(data, size);
  tolvo::platform::MemoryFileSystem fs = tolvo::fuzz::FileSystemWith(file);
  const size_t entries = fs.EntryCount();
  CopyPathField(State().tempFolder, tolvo::fuzz::kTempFolder);
  bool pictures22 = false;
  const std::vector<ForeignFrame> before = ForeignFrames(fs, &pictures22);

  ReleaseId3v2Fields();
  for (int field = 0; field < kId3v2FieldCount; ++field)
    SetId3v2FieldText(static_cast<Id3v2Field>(field), kTexts[field]);
  const int32_t result = WriteId3v2(kSongPath, fs);
  ReleaseId3v2Fields();

  if (result != 0) {
    if (result != kId3v2WriteCannotReadTag && result != kId3v2WriteCannotCarry &&
        result != kId3v2WriteNotMp3)
      Fail("unexpected refusal");
    if (ReadWhole(fs) != file) Fail("a refused rewrite changed the file");
  } else {
    if (ReadId3v2(kSongPath, fs) != 0) Fail("the rewritten tag does not parse");
    for (int field = 0; field < kId3v2FieldCount; ++field) {
      const Id3v2FieldValue& value = Id3v2Fields().fields[static_cast<size_t>(field)];
      if (!value.text || std::strcmp(value.text, kTexts[field]) != 0 ||
          value.size != static_cast<int32_t>(std::strlen(kTexts[field])))
        Fail("a field did not read back");
    }
    ReleaseId3v2Fields();
    if (ForeignFrames(fs, &pictures22) != before) Fail("a frame was lost or changed");
  }
  if (fs.EntryCount() != entries || fs.OpenCount() != 0) Fail("a temporary file was left");
  if (LiveBlocks() != 0) Fail("a counted block was kept");
  return 0;
}
