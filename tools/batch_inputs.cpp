// Folder walk of a batch: sorted, so that runs are repeatable and the summary reads in order.
#include "batch_inputs.h"

#include <algorithm>

#include "tolvo/platform/file_system.h"
#include "tolvo/platform/folder_tree.h"
#include "tolvo/platform/path_names.h"

namespace tolvo::tool {
namespace {

using platform::FileKind;

bool IsWavName(const std::string& path) {
  std::string extension = platform::PathExtension(path);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".wav";
}

std::string Mp3Name(const std::string& wav) { return platform::PathStem(wav) + ".mp3"; }

// Path order, element by element: a separator sorts before every other character, so that
// "a/b.wav" comes before "a-b.wav" as the folder "a" comes before the name "a-b.wav".
bool PathLess(const std::string& a, const std::string& b) {
  auto key = [](char c) { return c == '/' ? 0 : static_cast<unsigned char>(c) + 1; };
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [&](char x, char y) { return key(x) < key(y); });
}

// Adds the .wav files of `folder` as paths relative to it (below `prefix`), and those of its
// subfolders with `recursive`; a link to a folder is not entered.
platform::IoStatus Collect(const std::string& folder, const std::string& prefix, bool recursive,
                           std::vector<std::string>* found) {
  const platform::IoResult<std::vector<platform::FolderEntry>> entries =
      platform::ListFolder(platform::JoinPath(folder, prefix));
  if (!entries) return entries.error();
  for (const platform::FolderEntry& entry : *entries) {
    const std::string relative = platform::JoinPath(prefix, entry.name);
    if (entry.kind == FileKind::kFile && IsWavName(entry.name)) found->push_back(relative);
    if (recursive && entry.kind == FileKind::kFolder && !entry.link) {
      if (platform::IoStatus below = Collect(folder, relative, recursive, found); !below)
        return below;
    }
  }
  return {};
}

// The .wav files of `folder`; false with *problem when it cannot be read.
bool ListFolder(const std::string& folder, bool recursive, std::vector<BatchInput>* inputs,
                std::string* problem) {
  std::vector<std::string> found;
  if (platform::IoStatus listed = Collect(folder, "", recursive, &found); !listed) {
    *problem = folder + ": cannot read the folder: " + listed.error().Text();
    return false;
  }
  if (found.empty()) {
    *problem = folder + ": no .wav files in the folder" +
               (recursive ? "" : " (--recursive looks in its subfolders too)");
    return false;
  }
  std::sort(found.begin(), found.end(), PathLess);
  for (const std::string& wav : found) {
    inputs->push_back({platform::JoinPath(folder, wav),
                       platform::JoinPath(platform::ParentPath(wav), Mp3Name(wav))});
  }
  return true;
}

}  // namespace

bool ExpandBatchInputs(const std::vector<std::string>& given, bool recursive,
                       std::vector<BatchInput>* inputs, std::string* problem) {
  for (const std::string& name : given) {
    if (platform::IsFolder(platform::RealFileSystem().Stat(name.c_str()))) {
      if (!ListFolder(name, recursive, inputs, problem)) return false;
    } else {
      inputs->push_back({name, Mp3Name(name)});
    }
  }
  return true;
}

}  // namespace tolvo::tool
