// The RIFF chunk walk of the converter's input. Sizes come from the file and are never trusted:
// every chunk is checked against the file's real length before anything relies on it.
#include "wav_reader.h"

#include <optional>

namespace tolvo::converter {
namespace {

std::string FormatProblem(const PcmFormat& f) {
  if (f.formatTag != kPcmFormatTag) {
    return "not PCM (format tag " + std::to_string(f.formatTag) + "); only PCM can be converted";
  }
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16) {
    return "unsupported sample size of " + std::to_string(f.bitsPerSample) +
           " bits (8 or 16 expected)";
  }
  if (f.channels == 0) return "inconsistent format: no channels";
  if (f.sampleRate == 0) return "inconsistent format: sample rate 0";
  const uint32_t blockAlign = f.channels * (f.bitsPerSample / 8u);
  if (f.blockAlign != blockAlign) {
    return "inconsistent format: block align " + std::to_string(f.blockAlign) + ", expected " +
           std::to_string(blockAlign);
  }
  const uint64_t byteRate = static_cast<uint64_t>(f.sampleRate) * blockAlign;
  if (f.byteRate != byteRate) {
    return "inconsistent format: byte rate " + std::to_string(f.byteRate) + ", expected " +
           std::to_string(byteRate);
  }
  return {};
}

bool Fail(std::string* problem, std::string text) {
  *problem = std::move(text);
  return false;
}

}  // namespace

bool LocatePcmData(platform::File& file, PcmData* data, std::string* problem) {
  const int64_t fileSize = file.Size();
  if (fileSize < 0) return Fail(problem, "cannot tell the file's size");

  uint8_t header[riff::kHeaderSize];
  if (!file.SeekTo(0) ||
      file.ReadFull(header, sizeof header) != static_cast<int64_t>(sizeof header) ||
      !HasId(header + riff::kId, "RIFF") || !HasId(header + riff::kFormType, "WAVE")) {
    return Fail(problem, "not a RIFF WAVE file");
  }

  std::optional<PcmFormat> format;
  int64_t position = riff::kHeaderSize;
  for (;;) {
    uint8_t chunkHeader[chunk::kHeaderSize];
    if (!file.SeekTo(position) || file.ReadFull(chunkHeader, sizeof chunkHeader) !=
                                      static_cast<int64_t>(sizeof chunkHeader)) {
      return Fail(problem, format ? "truncated: the file ends before its data chunk"
                                  : "truncated: the file ends before its format chunk");
    }
    const uint32_t size = ReadLe32(chunkHeader + chunk::kSize);
    const int64_t body = position + static_cast<int64_t>(chunk::kHeaderSize);
    const bool fitsInFile = static_cast<uint64_t>(body) + size <= static_cast<uint64_t>(fileSize);

    if (HasId(chunkHeader + chunk::kId, "fmt ")) {
      if (format) return Fail(problem, "inconsistent: a second format chunk");
      if (size < format_body::kPcmSize)
        return Fail(problem, "inconsistent: format chunk too short");
      uint8_t formatBody[format_body::kPcmSize];
      if (!fitsInFile ||
          file.ReadFull(formatBody, sizeof formatBody) != static_cast<int64_t>(sizeof formatBody)) {
        return Fail(problem, "truncated: the format chunk ends early");
      }
      format = DecodeFormatBody(formatBody);
      if (std::string why = FormatProblem(*format); !why.empty()) return Fail(problem, why);
    } else if (HasId(chunkHeader + chunk::kId, "data")) {
      if (!format) return Fail(problem, "inconsistent: data chunk before the format chunk");
      if (size % format->blockAlign != 0) {
        return Fail(problem, "inconsistent: the data chunk holds a partial sample frame");
      }
      if (!fitsInFile) {
        return Fail(problem, "truncated: the data chunk claims " + std::to_string(size) +
                                 " bytes, the file holds " + std::to_string(fileSize - body));
      }
      data->format = *format;
      data->offset = body;
      data->byteCount = size;
      return true;
    } else if (!fitsInFile) {
      return Fail(problem, "truncated: a chunk runs past the end of the file");
    }
    // Chunk bodies of odd length are followed by one pad byte.
    position = body + static_cast<int64_t>(size) + (size & 1u);
  }
}

}  // namespace tolvo::converter
