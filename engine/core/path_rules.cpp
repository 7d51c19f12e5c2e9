// The path rules of the encode job's destination: splitting the output path, the forbidden
// characters, the two usable path forms, and making the folder chain. One text algorithm serves
// both path styles; the file system is only asked questions through the FileSystem given.
#include <cstring>
#include <string>
#include <utility>

#include "core/file_services.h"
#include "core/path_style.h"
#include "core/trace.h"

namespace tolvo::engine {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool EndsWith(const std::string& text, char c) { return !text.empty() && text.back() == c; }

// Reasons of CreateFolderChain for the character classes 1 to 8.
int ReasonForCharacterClass(int characterClass) {
  switch (characterClass) {
    case 1:
      return 8;  // a second ':'
    case 2:
      return 13;  // the foreign separator
    case 3:
      return 10;  // '*'
    case 4:
      return 9;  // '?'
    case 5:
      return 11;  // '<'
    case 6:
      return 12;  // '>'
    case 7:
      return 14;  // '"'
    case 8:
      return 16;  // '|'
    default:
      return 0;
  }
}

bool HasUsableForm(const std::string& path, PathStyle style) {
  return IsUncPath(path, style) || IsRootedPath(path, style);
}

// What the path names; an error when it names nothing usable.
platform::IoResult<platform::FileInfo> InfoOf(const std::string& path, PathStyle style,
                                              platform::FileSystem& fs) {
  // Both Windows forms need at least 2 characters ("C:", "\\"); "/" alone is a POSIX root.
  if (!HasUsableForm(path, style)) return platform::ErrorOf(platform::IoErrorKind::kMissing);
  return fs.Stat(path.c_str());
}

}  // namespace

bool IsUncPath(const std::string& path, PathStyle style) {
  return TraitsOf(style).hasUncForm && path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

bool IsRootedPath(const std::string& path, PathStyle style) {
  if (style == PathStyle::kPosix) return !path.empty() && path[0] == '/';
  return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':';
}

int SplitOutputPath(const char* path, std::string* folder, std::string* name, PathStyle style) {
  std::string splitFolder;
  std::string splitName;
  int result = 0;
  const size_t limit = TraitsOf(style).maxOutputPathLength;
  // A path longer than the supported length counts as no path: the job then finds no file name.
  if (!path || strnlen(path, limit + 1) > limit) {
    result = 1;
  } else {
    std::string text(path);
    size_t last = text.rfind(TraitsOf(style).separator);
    if (last == std::string::npos) {
      splitName = text;
    } else {
      splitFolder = text.substr(0, last + 1);
      splitName = text.substr(last + 1);
    }
  }
  if (folder) *folder = std::move(splitFolder);
  if (name) *name = std::move(splitName);
  return result;
}

int CheckPathCharacters(const std::string& path, PathStyle style) {
  const PathStyleTraits traits = TraitsOf(style);
  auto has = [&path](char c) { return path.find(c) != std::string::npos; };
  if (path.find(':') != path.rfind(':')) return 1;  // two or more colons
  if (has(traits.foreignSeparator)) return 2;
  if (has('*')) return 3;
  if (has('?')) return 4;
  if (has('<')) return 5;
  if (has('>')) return 6;
  if (has('"')) return 7;
  if (has('|')) return 8;
  return 0;
}

bool IsExistingFolder(const std::string& path, PathStyle style, platform::FileSystem& fs) {
  return platform::IsFolder(InfoOf(path, style, fs));
}

bool IsExistingFile(const std::string& path, PathStyle style, platform::FileSystem& fs) {
  const platform::IoResult<platform::FileInfo> info = InfoOf(path, style, fs);
  return info &&
         (info->kind == platform::FileKind::kFile || info->kind == platform::FileKind::kOther);
}

int CreateFolderChain(const std::string& folderText, PathStyle style, platform::FileSystem& fs) {
  const PathStyleTraits traits = TraitsOf(style);
  const std::string root(1, traits.separator);
  std::string folder = folderText;
  Trace("CreateFolderChain %s\n", folder.c_str());

  if (folder.empty()) return 1;
  if (folder.size() == 1 && !(style == PathStyle::kPosix && folder == root)) return 7;
  if (int reason = ReasonForCharacterClass(CheckPathCharacters(folder, style))) return reason;

  // A root ("C:\" or "/") keeps its separator; any other folder loses a trailing one.
  if (EndsWith(folder, traits.separator) && folder.size() != traits.rootLength) folder.pop_back();

  const bool unc = IsUncPath(folder, style);
  if (!unc && !IsRootedPath(folder, style)) return 2;

  // Make every level from the left. A file where a folder should be stops the walk before
  // anything is made below it.
  for (size_t i = unc ? 2 : 0; i < folder.size(); ++i) {
    if (folder[i] != traits.separator) continue;
    const std::string level = folder.substr(0, i + 1);
    fs.MakeFolder(level.c_str());  // an existing level is fine; the checks below decide
    if (level.size() != traits.rootLength && IsExistingFile(folder.substr(0, i), style, fs)) {
      return 17;
    }
  }
  fs.MakeFolder(folder.c_str());

  if (IsExistingFolder(folder, style, fs)) {
    return ProbeFolderWritableInStyle(folder, style, fs) ? 0 : 15;
  }
  if (IsExistingFile(folder, style, fs)) return 17;
  return unc ? 6 : 4;
}

}  // namespace tolvo::engine
