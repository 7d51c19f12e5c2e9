// The engine's small file services: temporary files, the writability probe and the case-blind
// text searches.
// Every file is reached through the FileSystem given and closed on every path.
#include "core/file_services.h"

#include <string>

#include "core/path_style.h"
#include "core/trace.h"
#include "tolvo/system_files.h"

namespace tolvo::engine {
namespace {

using platform::File;
using platform::OpenMode;

char FoldAsciiCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool MatchesAt(const std::string& text, size_t at, const std::string& part) {
  for (size_t i = 0; i < part.size(); ++i) {
    if (FoldAsciiCase(text[at + i]) != FoldAsciiCase(part[i])) return false;
  }
  return true;
}

}  // namespace

int MakeTempFileInStyle(const std::string& folder, PathStyle style, std::string* path,
                        platform::FileSystem& fs, const char* prefix) {
  const char separator = TraitsOf(style).separator;
  std::string where = folder;
  TrimTrailingSpaces(where);
  std::string made;
  // An empty folder names no place; it must not turn into the file system's root.
  if (!where.empty()) {
    if (where.back() != separator) where += separator;
    where.pop_back();  // the file system joins the folder and the name with its own separator
    const platform::IoResult<std::string> temp =
        fs.MakeTempFile(where, prefix ? prefix : kTempFilePrefix);
    if (temp) made = *temp;
  }
  if (path) *path = made;
  Trace("MakeTempFileIn %s -> %s\n", folder.c_str(), made.c_str());
  return made.empty() ? 1 : 0;
}

bool ProbeFolderWritableInStyle(const std::string& folder, PathStyle style,
                                platform::FileSystem& fs) {
  // Named after this process, like every temporary name the engine makes for itself, so that a
  // probe a crash left behind is known as a leftover.
  std::string probe;
  const std::string prefix = platform::ProcessTempPrefix();
  if (MakeTempFileInStyle(folder, style, &probe, fs, prefix.c_str()) != 0) return false;
  fs.Remove(probe.c_str());
  return true;
}

bool ProbeFolderWritable(const std::string& folder, platform::FileSystem& fs) {
  return ProbeFolderWritableInStyle(folder, kNativePathStyle, fs);
}

int MakeTempFileIn(const std::string& folder, std::string* path, platform::FileSystem& fs) {
  return MakeTempFileInStyle(folder, kNativePathStyle, path, fs);
}

std::string SystemTempFolder() { return platform::SystemTempFolder(); }

int CountOccurrences(const std::string& text, const std::string& part) {
  if (text.empty() || part.empty() || part.size() > text.size()) return 0;
  int count = 0;
  for (size_t at = 0; at + part.size() <= text.size(); ++at) {
    if (MatchesAt(text, at, part)) ++count;
  }
  return count;
}

int FindText(const std::string& text, const std::string& part) {
  if (text.empty() || part.empty() || part.size() > text.size()) return 0;
  for (size_t at = 0; at + part.size() <= text.size(); ++at) {
    if (MatchesAt(text, at, part)) return static_cast<int>(at + 1);
  }
  return 0;
}

void TrimTrailingSpaces(std::string& text) {
  size_t keep = text.find_last_not_of(' ');
  text.erase(keep == std::string::npos ? 0 : keep + 1);
}

}  // namespace tolvo::engine
