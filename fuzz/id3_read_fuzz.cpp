// Fuzz target for the tag readers: the input becomes a file (fuzz_input.h: any start, or a tag of
// every version and flag), which is read as an ID3v1 and an ID3v2 tag with every field fetched the
// way the control fetches it; a counted block left alive after the release is a leak on some path
// of the reader, and traps.
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "core/command.h"
#include "core/counted_alloc.h"
#include "fuzz_input.h"
#include "id3/id3v1.h"
#include "id3/id3v2_reader.h"
#include "id3/tag_text.h"

namespace {

using namespace tolvo;

int32_t Run(std::span<const engine::Command> table, const std::string& name, intptr_t a1 = 0) {
  for (const engine::Command& command : table) {
    if (name == command.name) return command.handler(a1, 0, 0);
  }
  __builtin_trap();  // a command the engine should have
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::MemoryFileSystem fs = fuzz::FileSystemWith(fuzz::FileFromInput(data, size));
  char text[128];

  engine::ReadId3v1(fuzz::kSongPath, engine::Id3v1Fields(), fs);  // as "getid3v1" does
  const auto v1 = engine::Id3v1Commands();
  for (const char* get : {"v1Title", "v1Artist", "v1Album", "v1Year", "v1Comment"}) {
    Run(v1, get, reinterpret_cast<intptr_t>(text));
    // At most 30 Windows-1252 characters, each at most 3 bytes of UTF-8.
    if (std::strlen(text) > 90 || engine::tagtext::CharacterCount(text) > 30) __builtin_trap();
  }
  const int32_t genre = Run(v1, "v1Genre");
  Run(v1, "v1Track");
  if (genre < 0 || genre > 148) __builtin_trap();

  engine::ReadId3v2(fuzz::kSongPath, fs);  // as "getid3v2" does
  const auto v2 = engine::Id3v2Commands();
  for (const char* field : {"Composer", "OriginalArtist", "Copyright", "URL", "EncodedBy",
                            "Comment", "Genre", "Year", "Album", "Artist", "Title", "Track"}) {
    const int32_t fieldSize = Run(v2, std::string("v2") + field + "size");
    if (fieldSize < 0) __builtin_trap();
    std::vector<char> buffer(static_cast<size_t>(fieldSize) + 10);
    Run(v2, std::string("v2") + field, reinterpret_cast<intptr_t>(buffer.data()));
    if (std::strlen(buffer.data()) > static_cast<size_t>(fieldSize)) __builtin_trap();
  }
  Run(v2, "v2cleanup");
  if (engine::LiveBlocks() != 0 || fs.OpenCount() != 0) __builtin_trap();
  return 0;
}
