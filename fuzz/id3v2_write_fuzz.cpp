// Fuzz target: an arbitrary old tag, rewritten with twelve fixed texts, must read back with
// exactly those texts; a refused rewrite must leave the file byte for byte as it was.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/counted_alloc.h"
#include "core/engine_state.h"
#include "id3/id3v2_fields.h"
#include "id3/id3v2_reader.h"
#include "id3/id3v2_writer.h"
#include "tolvo/platform/file_system.h"

namespace {

using namespace tolvo::engine;
using tolvo::platform::File;
using tolvo::platform::FileSystem;
using tolvo::platform::OpenMode;

const char* const kTexts[kId3v2FieldCount] = {
    "Composer", "Original artist", "Copyright", "http://example.org/u",
    "Encoder",  "Comment text",    "Genre",     "2026",
    "Album",    "Artist",          "Title",     "12"};

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Workspace workspace;
  // Odd first byte: the input is the file's start as it stands (headers of every kind).
  // Otherwise the input is the body of a well-formed tag header, so the frame walk gets the work.
  std::vector<uint8_t> file;
  if (size > 0 && (data[0] & 1)) {
    file.assign(data + 1, data + size);
  } else {
    const uint32_t body = static_cast<uint32_t>(size);
    file = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0};
    tolvo::engine::id3v2::WriteSyncsafe(body, file.data() + 6);
    file.insert(file.end(), data, data + size);
  }
  // Audio: an MPEG frame header, then filler.
  for (uint8_t b : {0xFF, 0xFB, 0x90, 0x64}) file.push_back(b);
  for (int i = 0; i < 300; ++i) file.push_back(static_cast<uint8_t>(0xA0 + i % 50));
  if (!WriteWhole(workspace.mp3, file)) Fail("cannot write the input file");

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
  }
  if (LiveBlocks() != 0) Fail("a counted block was kept");
  return 0;
}
