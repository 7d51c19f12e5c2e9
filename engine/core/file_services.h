// The engine's file and path services: splitting the output path, making and proving the
// destination folder, temporary files and text searches.
// Path rules are written once and parameterised by a path style.
#pragma once

#include <cstdint>
#include <string>

#include "tolvo/platform/file_system.h"

namespace tolvo::engine {

enum class PathStyle {
  kWindows,  // backslash, drive letters and UNC, '/' is forbidden
  kPosix,    // '/', absolute paths only, '\' is forbidden; the style of this build
};
inline constexpr PathStyle kNativePathStyle = PathStyle::kPosix;

// 0 with folder and name, 1 for a missing (null) path.
int SplitOutputPath(const char* path, std::string* folder, std::string* name,
                    PathStyle style = kNativePathStyle);
int CheckPathCharacters(const std::string& path, PathStyle style = kNativePathStyle);
int CreateFolderChain(const std::string& folder, PathStyle style = kNativePathStyle,
                      platform::FileSystem& fs = platform::RealFileSystem());
bool IsExistingFolder(const std::string& path, PathStyle style = kNativePathStyle,
                      platform::FileSystem& fs = platform::RealFileSystem());
bool IsExistingFile(const std::string& path, PathStyle style = kNativePathStyle,
                    platform::FileSystem& fs = platform::RealFileSystem());
bool ProbeFolderWritable(const std::string& folder,
                         platform::FileSystem& fs = platform::RealFileSystem());
// 0 and the path of a new empty file "tolvoXXXXXX" in the folder; 1 and an empty path.
int MakeTempFileIn(const std::string& folder, std::string* path,
                   platform::FileSystem& fs = platform::RealFileSystem());
std::string SystemTempFolder();
int CountOccurrences(const std::string& text, const std::string& part);
int FindText(const std::string& text, const std::string& part);
void TrimTrailingSpaces(std::string& text);

}  // namespace tolvo::engine
