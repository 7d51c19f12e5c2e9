// "-" as a file name: a WAV read from standard input is first copied into a private folder
// (mode 0700, removed at the end), and an MP3 for standard output is made there and streamed out
// once complete, so the engine only ever sees regular files and the MP3's info frame is filled in
// before a byte leaves.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tolvo::tool {

// "-" and "/dev/stdin" read standard input.
bool NamesStandardInput(const std::string& name);
// "-", "/dev/stdout", "/dev/fd/1" and "/proc/self/fd/1" write standard output.
bool NamesStandardOutput(const std::string& name);

class StreamStaging {
 public:
  // nullptr with *error set when the private folder cannot be made.
  static std::unique_ptr<StreamStaging> Create(std::string* error);
  ~StreamStaging();  // removes the folder and what is in it
  StreamStaging(const StreamStaging&) = delete;
  StreamStaging& operator=(const StreamStaging&) = delete;

  const std::string& folder() const { return folder_; }
  std::string InputPath() const { return folder_ + "/input.wav"; }
  std::string OutputPath() const { return folder_ + "/output.mp3"; }

  // Copies standard input into InputPath(); "" or the reason it failed. *bytes gets the size.
  std::string CopyStandardInput(uint64_t* bytes);
  // Streams OutputPath() to standard output; "" or the reason it failed.
  std::string StreamOutput();

 private:
  explicit StreamStaging(std::string folder) : folder_(std::move(folder)) {}
  std::string folder_;
};

}  // namespace tolvo::tool
