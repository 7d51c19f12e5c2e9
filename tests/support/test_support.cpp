// Shared test fixtures.
#include "test_support.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace tolvo::test {
namespace fs = std::filesystem;

TempDir::TempDir() : TempDir(fs::temp_directory_path().string()) {}

TempDir::TempDir(const std::string& parent) {
  std::string pattern = parent + "/tolvotest-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed in " + parent);
  path_ = pattern;
}

std::string OtherFileSystemThan(const std::string& path) {
  struct stat here {
  }, shm{};
  if (stat(path.c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0) return {};
  return shm.st_dev != here.st_dev && S_ISDIR(shm.st_mode) ? "/dev/shm" : "";
}

TempDir::~TempDir() {
  std::error_code ec;
  // A test may have made files read-only; removal needs the folder's write bit only.
  fs::remove_all(path_, ec);
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

int64_t SizeOf(const std::string& path) {
  std::error_code ec;
  auto size = fs::file_size(path, ec);
  return ec ? -1 : static_cast<int64_t>(size);
}

std::vector<std::string> ListFolder(const std::string& path) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(path, ec))
    names.push_back(entry.path().filename());
  return names;
}

namespace {
void Put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = v >> 8;
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}
}  // namespace

Bytes MakeWav(const WavFormat& wavFormat) {
  const int bytesPerSample = wavFormat.bitsPerSample / 8;
  const uint32_t dataSize =
      static_cast<uint32_t>(wavFormat.frames * wavFormat.channels * bytesPerSample);
  Bytes b(44 + dataSize, 0);
  std::copy_n("RIFF", 4, b.begin());
  Put32(b, 4, 36 + dataSize);
  std::copy_n("WAVEfmt ", 8, b.begin() + 8);
  Put32(b, 16, 16);
  Put16(b, 20, static_cast<uint16_t>(wavFormat.formatTag));
  Put16(b, 22, static_cast<uint16_t>(wavFormat.channels));
  Put32(b, 24, static_cast<uint32_t>(wavFormat.sampleRate));
  Put32(b, 28, static_cast<uint32_t>(wavFormat.sampleRate * wavFormat.channels * bytesPerSample));
  Put16(b, 32, static_cast<uint16_t>(wavFormat.channels * bytesPerSample));
  Put16(b, 34, static_cast<uint16_t>(wavFormat.bitsPerSample));
  std::copy_n("data", 4, b.begin() + 36);
  Put32(b, 40, dataSize);
  size_t at = 44;
  for (int64_t i = 0; i < wavFormat.frames; ++i) {
    for (int c = 0; c < wavFormat.channels; ++c) {
      double s = 0.3 * std::sin(2 * M_PI * (440.0 + 220.0 * c) * i / wavFormat.sampleRate);
      if (bytesPerSample == 1) {
        b[at++] = static_cast<uint8_t>(128 + std::lround(s * 127));
      } else {
        int v = static_cast<int>(std::lround(s * 32767));
        for (int k = 0; k < bytesPerSample; ++k) b[at++] = (v >> (8 * k)) & 0xFF;
      }
    }
  }
  return b;
}

void WriteWav(const std::string& path, const WavFormat& wavFormat) {
  WriteFile(path, MakeWav(wavFormat));
}

std::string OutDir() { return TOLVO_OUT_DIR; }
std::string SourceDir() { return TOLVO_SOURCE_DIR; }

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    if (output) output->append(buffer, n);
  }
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double DecodedSeconds(const std::string& mp3Path) {
  // mpg123 -w writes the decoded WAV; its data size gives the exact decoded duration.
  TempDir dir;
  std::string wav = dir / "decoded.wav";
  std::string cmd = "mpg123 -q -w '" + wav + "' '" + mp3Path + "' 2>/dev/null";
  if (RunCommand(cmd) != 0) return -1;
  Bytes b = ReadFile(wav);
  if (b.size() < 44) return -1;
  auto u16 = [&](size_t at) { return b[at] | (b[at + 1] << 8); };
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (b[at + 3] << 24));
  };
  const int channels = u16(22);
  const uint32_t rate = u32(24);
  const int bits = u16(34);
  if (channels == 0 || rate == 0 || bits == 0) return -1;
  return static_cast<double>(b.size() - 44) / (channels * (bits / 8)) / rate;
}

}  // namespace tolvo::test
