// Fuzz target: an arbitrary old tag (fuzz_input.h: any start, or a tag of every version and flag),
// rewritten with twelve fixed texts, must read back with exactly those texts and must still hold
// every frame of the old tag that the twelve fields do not own, with its content and flags; a
// refused rewrite must leave the file byte for byte as it was.
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

struct Workspace {
  std::string folder, mp3;
  Workspace() {
    FileSystem& fs = tolvo::platform::RealFileSystem();
    if (!fs.MakeTempFile("/dev/shm", "tolvofuzz", &folder) || !fs.Remove(folder.c_str()) ||
        !fs.MakeFolder(folder.c_str()))
      Fail("no work folder");
    mp3 = folder + "/song.mp3";
    const std::string temp = folder + "/tmp";
    if (!fs.MakeFolder(temp.c_str())) Fail("no temporary folder");
    CopyPathField(State().tempFolder, temp.c_str());
  }
  ~Workspace() {
    std::remove(mp3.c_str());
    std::remove((folder + "/tmp").c_str());  // remove() takes empty folders too
    std::remove(folder.c_str());
  }
};

bool WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
  File file =
      File::Open(tolvo::platform::RealFileSystem(), path.c_str(), OpenMode::kCreateTruncate);
  return file.IsOpen() &&
         file.WriteFull(bytes.data(), bytes.size()) == static_cast<int64_t>(bytes.size()) &&
         file.Close();
}

std::vector<uint8_t> ReadWhole(const std::string& path) {
  File file = File::Open(tolvo::platform::RealFileSystem(), path.c_str(), OpenMode::kRead);
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(file.Size(), 0)));
  if (file.ReadFull(bytes.data(), bytes.size()) != static_cast<int64_t>(bytes.size()))
    Fail("cannot read back");
  return bytes;
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
std::vector<ForeignFrame> ForeignFrames(const std::string& path, bool* pictures22) {
  std::vector<ForeignFrame> frames;
  File file = File::Open(tolvo::platform::RealFileSystem(), path.c_str(), OpenMode::kRead);
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
  static Workspace workspace;
  const std::vector<uint8_t> file = tolvo::fuzz::FileFromInput(data, size);
  if (!WriteWhole(workspace.mp3, file)) Fail("cannot write the input file");
  bool pictures22 = false;
  const std::vector<ForeignFrame> before = ForeignFrames(workspace.mp3, &pictures22);

  ReleaseId3v2Fields();
  for (int field = 0; field < kId3v2FieldCount; ++field)
    SetId3v2FieldText(static_cast<Id3v2Field>(field), kTexts[field]);
  const int32_t result = WriteId3v2(workspace.mp3.c_str());
  ReleaseId3v2Fields();

  if (result != 0) {
    if (result != kId3v2WriteCannotReadTag && result != kId3v2WriteCannotCarry &&
        result != kId3v2WriteNotMp3)
      Fail("unexpected refusal");
    if (ReadWhole(workspace.mp3) != file) Fail("a refused rewrite changed the file");
  } else {
    if (ReadId3v2(workspace.mp3.c_str()) != 0) Fail("the rewritten tag does not parse");
    for (int field = 0; field < kId3v2FieldCount; ++field) {
      const Id3v2FieldValue& value = Id3v2Fields().fields[static_cast<size_t>(field)];
      if (!value.text || std::strcmp(value.text, kTexts[field]) != 0 ||
          value.size != static_cast<int32_t>(std::strlen(kTexts[field])))
        Fail("a field did not read back");
    }
    ReleaseId3v2Fields();
    if (ForeignFrames(workspace.mp3, &pictures22) != before) Fail("a frame was lost or changed");
  }
  if (LiveBlocks() != 0) Fail("a counted block was kept");
  return 0;
}
