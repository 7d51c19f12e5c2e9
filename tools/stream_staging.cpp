// Copies between the standard streams and the private folder's files.
#include "stream_staging.h"

#include <filesystem>
#include <vector>

#include "tolvo/platform/file_system.h"
#include "tolvo/platform/private_folder.h"
#include "tolvo/platform/system_error.h"

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
    int64_t got = fs.Read(from, block.data(), block.size());
    if (got < 0) {
      return std::string("reading ") + fromName +
             " failed: " + platform::SystemErrorText(static_cast<int>(-got));
    }
    if (got == 0) break;
    size_t done = 0;
    while (done < static_cast<size_t>(got)) {
      int64_t put = fs.Write(to, block.data() + done, static_cast<size_t>(got) - done);
      if (put < 0) {
        return std::string("writing ") + toName +
               " failed: " + platform::SystemErrorText(static_cast<int>(-put));
      }
      if (put == 0) return std::string("writing ") + toName + " failed: nothing was taken";
      done += static_cast<size_t>(put);
    }
    total += static_cast<uint64_t>(got);
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
  std::string folder;
  platform::IoStatus status = platform::MakePrivateFolder(temp, "tolvo-stream-", &folder);
  if (!status) {
    *error =
        "cannot make a private folder in " + temp + ": " + platform::SystemErrorText(status.error);
    return nullptr;
  }
  return std::unique_ptr<StreamStaging>(new StreamStaging(folder));
}

StreamStaging::~StreamStaging() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string StreamStaging::CopyStandardInput(uint64_t* bytes) {
  platform::FileSystem& fs = platform::RealFileSystem();
  int error = 0;
  platform::File copy =
      platform::File::Open(fs, InputPath().c_str(), platform::OpenMode::kCreateTruncate, &error);
  if (!copy.IsOpen()) {
    return "cannot create a copy in " + folder_ + ": " + platform::SystemErrorText(error);
  }
  std::string problem = Copy(fs, kStandardInput, copy.fd(), "standard input",
                             ("the copy in " + folder_).c_str(), bytes);
  if (problem.empty() && !copy.Close()) problem = "writing the copy in " + folder_ + " failed";
  return problem;
}

std::string StreamStaging::StreamOutput() {
  platform::FileSystem& fs = platform::RealFileSystem();
  int error = 0;
  platform::File mp3 =
      platform::File::Open(fs, OutputPath().c_str(), platform::OpenMode::kRead, &error);
  if (!mp3.IsOpen()) return "cannot read the encoded file: " + platform::SystemErrorText(error);
  return Copy(fs, mp3.fd(), kStandardOutput, "the encoded file", "standard output", nullptr);
}

}  // namespace tolvo::tool
