// The file argument checks of an encode.
#include "host/globais.h"

#include <cstdint>
#include <vector>

#include "host/letter_case.h"
#include "tolvo/platform/utf16.h"

namespace tolvo::control {
namespace {

// The most bytes CheckInputFile reads; a file of exactly this size or more reads this many.
constexpr int64_t kProbeBytes = 255;

}  // namespace

bool CheckForEquality(std::u16string_view a, std::u16string_view b) {
  return ToUpperCase(a) == ToUpperCase(b);
}

bool CheckForSameFile(std::u16string_view a, std::u16string_view b, platform::FileSystem& fs) {
  if (a.find(u'\0') != std::u16string_view::npos || b.find(u'\0') != std::u16string_view::npos)
    return false;
  return platform::SameFile(fs.Stat(platform::Utf16ToUtf8(a).c_str()),
                            fs.Stat(platform::Utf16ToUtf8(b).c_str()));
}

bool CheckForEmpty(std::u16string_view x) { return x.empty(); }

bool CheckInputFile(std::u16string_view path, platform::FileSystem& fs) {
  // A NUL would cut the name short and make the check look at another file.
  if (path.empty() || path.find(u'\0') != std::u16string_view::npos) return false;
  const std::string name = platform::Utf16ToUtf8(path);

  // Only a regular file: a folder has no contents to read, and opening a FIFO would block.
  const platform::IoResult<platform::FileInfo> info = fs.Stat(name.c_str());
  if (!platform::IsRegularFile(info)) return false;

  std::vector<uint8_t> buffer(static_cast<size_t>(info->size < 256 ? info->size : kProbeBytes));
  platform::File file = platform::File::Open(fs, name.c_str(), platform::OpenMode::kRead);
  // What opened must be that regular file still (the open never blocks).
  if (!file.IsOpen() || !platform::IsRegularFile(file.Info())) return false;
  if (!buffer.empty() && file.ReadFull(buffer.data(), buffer.size()) < 0) return false;
  return file.Close();
}

}  // namespace tolvo::control
