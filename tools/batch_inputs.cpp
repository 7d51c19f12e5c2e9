// Folder walk of a batch: sorted, so that runs are repeatable and the summary reads in order.
#include "batch_inputs.h"

#include <algorithm>
#include <filesystem>

#include "tolvo/platform/system_error.h"

namespace tolvo::tool {
namespace {

namespace fs = std::filesystem;

bool IsWavName(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".wav";
}

std::string Mp3Name(const fs::path& wav) {
  fs::path name = wav.stem();
  name += ".mp3";
  return name.string();
}

// The .wav files of `folder`; false with *problem when it cannot be read.
bool ListFolder(const fs::path& folder, bool recursive, std::vector<BatchInput>* inputs,
                std::string* problem) {
  std::vector<fs::path> found;
  std::error_code error;
  auto take = [&](const fs::directory_entry& entry) {
    std::error_code ignored;
    if (entry.is_regular_file(ignored) && IsWavName(entry.path())) found.push_back(entry.path());
  };
  if (recursive) {
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
      take(*it);
    }
  } else {
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      take(*it);
    }
  }
  if (error) {
    *problem =
        folder.string() + ": cannot read the folder: " + platform::SystemErrorText(error.value());
    return false;
  }
  if (found.empty()) {
    *problem = folder.string() + ": no .wav files in the folder" +
               (recursive ? "" : " (--recursive looks in its subfolders too)");
    return false;
  }
  std::sort(found.begin(), found.end());
  for (const fs::path& wav : found) {
    fs::path below = wav.lexically_relative(folder).parent_path();
    inputs->push_back({wav.string(), (below / Mp3Name(wav)).string()});
  }
  return true;
}

}  // namespace

bool ExpandBatchInputs(const std::vector<std::string>& given, bool recursive,
                       std::vector<BatchInput>* inputs, std::string* problem) {
  for (const std::string& name : given) {
    std::error_code error;
    if (fs::is_directory(name, error)) {
      if (!ListFolder(name, recursive, inputs, problem)) return false;
    } else {
      inputs->push_back({name, Mp3Name(name)});
    }
  }
  return true;
}

}  // namespace tolvo::tool
