// Copies between the standard streams and the private folder's files.
#include "stream_staging.h"

#include <vector>

#include "tolvo/platform/file_system.h"
#include "tolvo/platform/folder_tree.h"

namespace tolvo::tool {
namespace {

constexpr int kStandardInput = 0;
constexpr int kStandardOutput = 1;
constexpr size_t kCopyBlock = 256 * 1024;

// Copies until the end of `from`; "" or the reason, prefixed by which side failed.
std::string Copy(platform::FileSystem& fs, int from, int to, const char* fromName,
                 const char* toName, uint64_t* bytes) {
  std::vector<uint8_t> block(kCopyBlock);
  uint64_t total = 0;
  for (;;) {
    const platform::IoResult<size_t> got = fs.Read(from, block.data(), block.size());
    if (!got) return std::string("reading ") + fromName + " failed: " + got.error().Text();
    if (*got == 0) break;
    size_t done = 0;
    while (done < *got) {
      const platform::IoResult<size_t> put = fs.Write(to, block.data() + done, *got - done);
      if (!put) return std::string("writing ") + toName + " failed: " + put.error().Text();
      if (*put == 0) return std::string("writing ") + toName + " failed: nothing was taken";
      done += *put;
    }
    total += *got;
  }
  if (bytes) *bytes = total;
  return {};
}

}  // namespace

bool NamesStandardInput(const std::string& name) { return name == "-" || name == "/dev/stdin"; }

bool NamesStandardOutput(const std::string& name) {
  return name == "-" || name == "/dev/stdout" || name == "/dev/fd/1" || name == "/proc/self/fd/1";
}

std::unique_ptr<StreamStaging> StreamStaging::Create(std::string* error) {
  std::string temp = platform::SystemTempFolder();
  if (temp.size() > 1 && temp.back() == '/') temp.pop_back();
  platform::IoResult<std::string> folder =
      platform::RealFileSystem().MakePrivateFolder(temp, "tolvo-stream-");
  if (!folder) {
    *error = "cannot make a private folder in " + temp + ": " + folder.error().Text();
    return nullptr;
  }
  return std::unique_ptr<StreamStaging>(new StreamStaging(*folder));
}

StreamStaging::~StreamStaging() { platform::RemoveTree(folder_); }

std::string StreamStaging::CopyStandardInput(uint64_t* bytes) {
  platform::FileSystem& fs = platform::RealFileSystem();
  platform::IoError error;
  platform::File copy =
      platform::File::Open(fs, InputPath().c_str(), platform::OpenMode::kCreateTruncate, &error);
  if (!copy.IsOpen()) {
    return "cannot create a copy in " + folder_ + ": " + error.Text();
  }
  std::string problem = Copy(fs, kStandardInput, copy.fd(), "standard input",
                             ("the copy in " + folder_).c_str(), bytes);
  if (problem.empty() && !copy.Close()) problem = "writing the copy in " + folder_ + " failed";
  return problem;
}

std::string StreamStaging::StreamOutput() {
  platform::FileSystem& fs = platform::RealFileSystem();
  platform::IoError error;
  platform::File mp3 =
      platform::File::Open(fs, OutputPath().c_str(), platform::OpenMode::kRead, &error);
  if (!mp3.IsOpen()) return "cannot read the encoded file: " + error.Text();
  return Copy(fs, mp3.fd(), kStandardOutput, "the encoded file", "standard output", nullptr);
}

}  // namespace tolvo::tool
