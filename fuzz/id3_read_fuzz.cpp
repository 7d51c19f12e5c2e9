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
#include "id3/tag_text.h"
#include "tolvo/platform/file_system.h"

namespace {

using namespace tolvo;

int32_t Run(std::span<const engine::Command> table, const std::string& name, intptr_t a1 = 0) {
  for (const engine::Command& command : table) {
    if (name == command.name) return command.handler(a1, 0, 0);
  }
  __builtin_trap();  // a command the engine should have
}

// One file for every input, removed when the fuzzer exits.
class FuzzFile {
 public:
  FuzzFile() {
    std::string folder = platform::SystemTempFolder();
    folder.pop_back();  // MakeTempFile takes the folder without its trailing separator
    if (!platform::RealFileSystem().MakeTempFile(folder, "tolvofuzz", &path_)) __builtin_trap();
  }
  ~FuzzFile() { platform::RealFileSystem().Remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  platform::FileSystem& fs = platform::RealFileSystem();
  static const FuzzFile fuzzFile;
  const std::string& path = fuzzFile.path();
  {
    const std::vector<uint8_t> bytes = fuzz::FileFromInput(data, size);
    platform::File file =
        platform::File::Open(fs, path.c_str(), platform::OpenMode::kCreateTruncate);
    if (file.WriteFull(bytes.data(), bytes.size()) != static_cast<int64_t>(bytes.size()) ||
        !file.Close())
      __builtin_trap();
  }
  const auto pathArg = reinterpret_cast<intptr_t>(path.c_str());
  char text[128];

  const auto v1 = engine::Id3v1Commands();
  Run(v1, "getid3v1", pathArg);
  for (const char* get : {"v1Title", "v1Artist", "v1Album", "v1Year", "v1Comment"}) {
    Run(v1, get, reinterpret_cast<intptr_t>(text));
    // At most 30 Windows-1252 characters, each at most 3 bytes of UTF-8.
    if (std::strlen(text) > 90 || engine::tagtext::CharacterCount(text) > 30) __builtin_trap();
  }
  const int32_t genre = Run(v1, "v1Genre");
  Run(v1, "v1Track");
  if (genre < 0 || genre > 148) __builtin_trap();

  const auto v2 = engine::Id3v2Commands();
  Run(v2, "getid3v2", pathArg);
  for (const char* field : {"Composer", "OriginalArtist", "Copyright", "URL", "EncodedBy",
                            "Comment", "Genre", "Year", "Album", "Artist", "Title", "Track"}) {
    const int32_t fieldSize = Run(v2, std::string("v2") + field + "size");
    if (fieldSize < 0) __builtin_trap();
    std::vector<char> buffer(static_cast<size_t>(fieldSize) + 10);
    Run(v2, std::string("v2") + field, reinterpret_cast<intptr_t>(buffer.data()));
    if (std::strlen(buffer.data()) > static_cast<size_t>(fieldSize)) __builtin_trap();
  }
  Run(v2, "v2cleanup");
  if (engine::LiveBlocks() != 0) __builtin_trap();
  return 0;
}
