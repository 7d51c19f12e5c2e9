// The few facts in which the two path styles differ, so that every path rule is written once.
// Internal to the file and path services.
#pragma once

#include <cstddef>
#include <string>

#include "core/file_services.h"

namespace tolvo::engine {

struct PathStyleTraits {
  char separator;         // '\' or '/'
  char foreignSeparator;  // the other style's separator: forbidden, class 2
  size_t rootLength;      // "C:\" is 3 characters, "/" is 1; a root keeps its separator
  size_t maxOutputPathLength;
  bool hasUncForm;  // "\\server\share" exists only in the Windows style
};

constexpr PathStyleTraits TraitsOf(PathStyle style) {
  if (style == PathStyle::kWindows) return PathStyleTraits{'\\', '/', 3, 255, true};
  return PathStyleTraits{'/', '\\', 1, 4095, false};
}

// A path that begins with two backslashes (Windows style only).
bool IsUncPath(const std::string& path, PathStyle style);
// A drive-letter path ("C:" in either case) or, in the POSIX style, an absolute path.
bool IsRootedPath(const std::string& path, PathStyle style);

// Makes an empty "<prefix>XXXXXX" file ("tolvo" unless given) in the folder (trailing blanks
// removed, the style's separator appended); 0 and its path, or 1 and an empty path.
int MakeTempFileInStyle(const std::string& folder, PathStyle style, std::string* path,
                        platform::FileSystem& fs, const char* prefix = nullptr);
// True when a temporary file can be made in the folder; the file is deleted again.
bool ProbeFolderWritableInStyle(const std::string& folder, PathStyle style,
                                platform::FileSystem& fs);

}  // namespace tolvo::engine
