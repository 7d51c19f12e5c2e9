// How the fuzz targets turn an input into a file. An odd first byte takes the rest as the file's
// start as it stands (headers of every kind). Otherwise the second byte picks the version (2.2,
// 2.3 or 2.4) and the tag flags (unsynchronisation, extended header, footer), and the rest is the
// body of a well-formed header of that kind, so the frame walk gets the work. MPEG audio follows.
// The file lies in a file system held in memory, so a run never touches the disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "id3/id3v2_layout.h"
#include "tolvo/platform/memory_file_system.h"

namespace tolvo::fuzz {

inline std::vector<uint8_t> FileFromInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file;
  if (size > 0 && (data[0] & 1)) {
    file.assign(data + 1, data + size);
  } else if (size >= 2) {
    const uint8_t version = static_cast<uint8_t>(2 + (data[1] & 0x03) % 3);
    const uint8_t flags = data[1] & 0xF0;
    const uint32_t body = static_cast<uint32_t>(size - 2);
    file = {'I', 'D', '3', version, 0, flags, 0, 0, 0, 0};
    engine::id3v2::WriteSyncsafe(body, file.data() + engine::id3v2::kSizeOffset);
    file.insert(file.end(), data + 2, data + size);
    if (version == engine::id3v2::kVersion24 && (flags & engine::id3v2::kTagFooter)) {
      std::vector<uint8_t> footer(file.begin(), file.begin() + 10);
      footer[0] = '3', footer[1] = 'D', footer[2] = 'I';
      file.insert(file.end(), footer.begin(), footer.end());
    }
  }
  // Audio: an MPEG frame header, then filler.
  for (uint8_t b : {0xFF, 0xFB, 0x90, 0x64}) file.push_back(b);
  for (int i = 0; i < 300; ++i) file.push_back(static_cast<uint8_t>(0xA0 + i % 50));
  return file;
}

// Where the file lies, and the folder for temporary files, in the file system of each run.
inline constexpr const char* kSongPath = "/music/song.mp3";
inline constexpr const char* kTempFolder = "/tmp";

// A file system in memory holding only the file and an empty temporary folder.
inline platform::MemoryFileSystem FileSystemWith(const std::vector<uint8_t>& file) {
  platform::MemoryFileSystem fs;
  fs.AddFile(kSongPath, std::string(file.begin(), file.end()));
  fs.AddFolder(kTempFolder);
  return fs;
}

}  // namespace tolvo::fuzz
