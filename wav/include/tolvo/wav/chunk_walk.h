// The RIFF chunk walk of a WAV file: where its format and its samples are, whatever the order,
// sizes and padding of its chunks. Sizes come from the file and are never trusted beyond it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tolvo::wav {

// Where the walk reads the file's bytes from; each caller adapts its own open file.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to count bytes at offset: the bytes read (fewer only at the end), -1 on an error.
  virtual int64_t ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
};

enum class Container {
  kNone,  // neither "RIFF"/"WAVE" nor "RF64"/"WAVE"
  kRiff,
  kRf64,
};

// The fields of the "fmt " chunk. Fields the file does not hold (a short chunk, a file that ends
// inside it) read as zeros.
struct WavFormat {
  uint16_t formatTag = 0;  // as written: 0xFFFE for the extensible form
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint32_t byteRate = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint16_t validBits = 0;    // extensible only
  uint32_t channelMask = 0;  // extensible only; 0 when unknown
  // The tag that says what the samples are: the sub-format's for the extensible form (0 when its
  // GUID is not one of the tag-based family), else the format tag.
  uint16_t sampleFormat = 0;
};

struct WavLayout {
  Container container = Container::kNone;
  std::array<uint8_t, 4> lead{};  // the file's first bytes, zeros where it is shorter
  uint64_t fileSize = 0;

  bool hasFormat = false;         // a "fmt " chunk was found
  bool formatComplete = false;    // ... and the file holds its first 16 bytes of body
  uint64_t formatBodyOffset = 0;  // where its body starts
  WavFormat format;

  bool hasData = false;     // a "data" chunk was found
  uint64_t dataOffset = 0;  // the first sample byte
  // The sample bytes: the data chunk's size when the file holds that many (the 64-bit size of
  // ds64 for RF64), else the rest of the file, as a stream written without its final size has.
  uint64_t dataBytes = 0;
  bool dataSizeFits = false;  // the declared size was honoured
};

// Reads the file of fileSize bytes through source; the walk ends at the end of the file, at a
// chunk that runs past it, or once both the format and the data chunk are found.
WavLayout WalkWav(ByteSource& source, uint64_t fileSize);

// A ByteSource over bytes in memory, for headers already read and for tests.
class MemorySource : public ByteSource {
 public:
  MemorySource(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
  int64_t ReadAt(uint64_t offset, void* buffer, size_t count) override;

 private:
  const uint8_t* bytes_;
  size_t size_;
};

}  // namespace tolvo::wav

namespace tolvo::wav {

// A ByteSource over any open file that can seek to an offset and read until a count or its end
// (SeekTo(int64_t) -> bool, ReadFull(void*, size_t) -> int64_t).
template <typename File>
class FileSource : public ByteSource {
 public:
  explicit FileSource(File& file) : file_(file) {}
  int64_t ReadAt(uint64_t offset, void* buffer, size_t count) override {
    if (!file_.SeekTo(static_cast<int64_t>(offset))) return -1;
    return file_.ReadFull(buffer, count);
  }

 private:
  File& file_;
};

}  // namespace tolvo::wav
