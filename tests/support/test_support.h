// Fixtures shared by every test suite: a private temporary folder per test, whole-file helpers,
// a WAV writer, and the locations of the built system files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tolvo::test {

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  // A fresh folder inside `parent` instead.
  explicit TempDir(const std::string& parent);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A folder on another file system than `path` (/dev/shm when it is one), or empty when none.
std::string OtherFileSystemThan(const std::string& path);

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);
bool Exists(const std::string& path);
int64_t SizeOf(const std::string& path);  // -1 when missing
std::vector<std::string> ListFolder(const std::string& path);

struct WavFormat {
  int channels = 2;
  int sampleRate = 44100;
  int bitsPerSample = 16;
  int formatTag = 1;
  int64_t frames = 44100;  // samples per channel
};

// Canonical 44-byte-header PCM WAV with a quiet sine (a different pitch per channel).
Bytes MakeWav(const WavFormat& wavFormat);
void WriteWav(const std::string& path, const WavFormat& wavFormat);

// The folder that holds the built libraries and programs of the system.
std::string OutDir();
std::string SourceDir();

// Runs a shell command; returns its exit status and, when asked, its standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);

// Duration in seconds that mpg123 decodes from an MP3 file, or -1 when it cannot decode it.
double DecodedSeconds(const std::string& mp3Path);

}  // namespace tolvo::test
