// Walking the chunks of a RIFF or RF64 WAVE file.
#include "tolvo/wav/chunk_walk.h"

#include <algorithm>
#include <cstring>

#include "tolvo/wav/wav_layout.h"

namespace tolvo::wav {
namespace {

// Reads up to count bytes into a zeroed buffer; the count read (0 on an error).
size_t ReadZeroFilled(ByteSource& source, uint64_t offset, uint8_t* buffer, size_t count) {
  std::memset(buffer, 0, count);
  const int64_t got = source.ReadAt(offset, buffer, count);
  return got > 0 ? static_cast<size_t>(got) : 0;
}

WavFormat DecodeFormat(const uint8_t* body, uint32_t declaredSize) {
  using namespace format_body;
  WavFormat format;
  format.formatTag = ReadLe16(body + kFormatTag);
  format.channels = ReadLe16(body + kChannels);
  format.sampleRate = ReadLe32(body + kSampleRate);
  format.byteRate = ReadLe32(body + kByteRate);
  format.blockAlign = ReadLe16(body + kBlockAlign);
  format.bitsPerSample = ReadLe16(body + kBitsPerSample);
  format.sampleFormat = format.formatTag;
  if (format.formatTag == kFormatExtensible) {
    format.sampleFormat = 0;
    if (declaredSize >= kExtensibleSize) {
      format.validBits = ReadLe16(body + kValidBits);
      format.channelMask = ReadLe32(body + kChannelMask);
      if (std::equal(kSubFormatGuidTail.begin(), kSubFormatGuidTail.end(), body + kSubFormat + 2)) {
        format.sampleFormat = ReadLe16(body + kSubFormat);
      }
    }
  }
  return format;
}

}  // namespace

int64_t MemorySource::ReadAt(uint64_t offset, void* buffer, size_t count) {
  if (offset >= size_) return 0;
  const size_t n = std::min<uint64_t>(count, size_ - offset);
  std::memcpy(buffer, bytes_ + offset, n);
  return static_cast<int64_t>(n);
}

WavLayout WalkWav(ByteSource& source, uint64_t fileSize) {
  WavLayout layout;
  layout.fileSize = fileSize;
  uint8_t header[riff::kHeaderSize];
  ReadZeroFilled(source, 0, header, sizeof header);
  std::copy_n(header, layout.lead.size(), layout.lead.begin());
  if (!HasId(header + riff::kFormType, "WAVE")) return layout;
  if (HasId(header + riff::kId, "RIFF")) {
    layout.container = Container::kRiff;
  } else if (HasId(header + riff::kId, "RF64")) {
    layout.container = Container::kRf64;
  } else {
    return layout;
  }

  uint64_t ds64DataSize = 0;
  bool haveDs64 = false;
  uint64_t position = riff::kHeaderSize;
  while (position + chunk::kHeaderSize <= fileSize && !(layout.hasFormat && layout.hasData)) {
    uint8_t chunkHeader[chunk::kHeaderSize];
    if (ReadZeroFilled(source, position, chunkHeader, sizeof chunkHeader) != sizeof chunkHeader) {
      break;
    }
    const uint32_t size = ReadLe32(chunkHeader + chunk::kSize);
    const uint64_t body = position + chunk::kHeaderSize;
    const bool fits = body + size <= fileSize;

    if (HasId(chunkHeader + chunk::kId, "fmt ") && !layout.hasFormat) {
      uint8_t formatBytes[format_body::kExtensibleSize];
      const size_t wanted = std::min<size_t>(size, sizeof formatBytes);
      const size_t got = ReadZeroFilled(source, body, formatBytes, wanted);
      layout.hasFormat = true;
      layout.formatComplete = got >= format_body::kPcmSize;
      layout.formatBodyOffset = body;
      layout.format = DecodeFormat(formatBytes, static_cast<uint32_t>(got));
    } else if (HasId(chunkHeader + chunk::kId, "ds64") && layout.container == Container::kRf64 &&
               fits && size >= ds64_body::kMinimumSize) {
      uint8_t ds64[ds64_body::kMinimumSize];
      if (ReadZeroFilled(source, body, ds64, sizeof ds64) == sizeof ds64) {
        ds64DataSize = ReadLe64(ds64 + ds64_body::kDataSize);
        haveDs64 = true;
      }
    } else if (HasId(chunkHeader + chunk::kId, "data") && !layout.hasData) {
      uint64_t declared = size;
      if (layout.container == Container::kRf64 && size == kUnknownSize32 && haveDs64) {
        declared = ds64DataSize;
      }
      layout.hasData = true;
      layout.dataOffset = body;
      layout.dataSizeFits = declared <= fileSize - body;
      layout.dataBytes = layout.dataSizeFits ? declared : fileSize - body;
      if (!layout.dataSizeFits) break;  // the samples run to the end: nothing lies behind them
      position = body + declared + (declared & 1u);
      continue;
    }
    if (!fits) break;
    position = body + size + (size & 1u);
  }
  return layout;
}

}  // namespace tolvo::wav
