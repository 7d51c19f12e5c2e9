// Test helper for the encoder library: loading, records, samples and a whole encode.
#include "be_stream_client.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <numbers>

#include "test_support.h"
#include "tolvo/system_files.h"

namespace tolvo::test {

BeLibrary::BeLibrary() : library(platform::LoadLibrary(OutDir() + "/" + kEncoderLibraryName)) {
  if (!library) return;
  auto find = [&](const char* name) { return platform::FindSymbol(library.get(), name); };
  init = reinterpret_cast<encoder::BeInitStreamFn>(find("beInitStream"));
  encode = reinterpret_cast<encoder::BeEncodeChunkFn>(find("beEncodeChunk"));
  deinit = reinterpret_cast<encoder::BeDeinitStreamFn>(find("beDeinitStream"));
  close = reinterpret_cast<encoder::BeCloseStreamFn>(find("beCloseStream"));
  writeVbrHeader = reinterpret_cast<encoder::BeWriteVbrHeaderFn>(find("beWriteVBRHeader"));
  writeInfoTag = reinterpret_cast<encoder::BeWriteInfoTagFn>(find("beWriteInfoTag"));
}

bool BeLibrary::complete() const {
  return init && encode && deinit && close && writeVbrHeader && writeInfoTag;
}

encoder::BeConfig MakeConfig(uint32_t inputRate, uint32_t channelMode, uint32_t bitrate, bool vbr,
                             uint32_t vbrMax) {
  encoder::BeConfig c;
  std::memset(&c, 0, sizeof c);
  c.configKind = encoder::kBeConfigKind;
  c.recordVersion = encoder::kBeRecordVersion;
  c.recordSize = sizeof c;
  c.inputSampleRate = inputRate;
  c.channelMode = channelMode;
  c.bitrate = bitrate;
  c.vbrMaxBitrate = vbrMax;
  c.mpegVersion = 1;
  c.originalBit = 1;
  c.writeVbrHeader = vbr ? 1 : 0;
  c.enableVbr = vbr ? 1 : 0;
  c.noBitReservoir = 1;
  return c;
}

std::vector<int16_t> Sine(int channels, int rate, int64_t frames) {
  std::vector<int16_t> samples(static_cast<size_t>(frames * channels));
  for (int64_t i = 0; i < frames; ++i) {
    for (int ch = 0; ch < channels; ++ch) {
      const double hz = 440.0 * (ch + 1);
      samples[i * channels + ch] = static_cast<int16_t>(
          8000.0 * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / rate));
    }
  }
  return samples;
}

EncodeResult EncodeToFile(const BeLibrary& be, const encoder::BeConfig& config,
                          const std::vector<int16_t>& samples, const std::string& mp3Path) {
  EncodeResult r;
  uint32_t bufferSize = 0;
  encoder::BeStream stream = 0;
  r.init = be.init(&config, &r.samplesPerChunk, &bufferSize, &stream);
  if (r.init != 0) return r;
  // The engine hands over twice the reported size; the library may use only what it reported.
  std::vector<uint8_t> output(bufferSize);
  {
    std::ofstream out(mp3Path, std::ios::binary | std::ios::trunc);
    r.encode = 0;
    for (size_t at = 0; at < samples.size() && r.encode == 0; at += r.samplesPerChunk) {
      const uint32_t count =
          static_cast<uint32_t>(std::min<size_t>(r.samplesPerChunk, samples.size() - at));
      uint32_t produced = 0;
      r.encode = be.encode(stream, count, samples.data() + at, output.data(), &produced);
      out.write(reinterpret_cast<const char*>(output.data()), produced);
    }
    uint32_t produced = 0;
    r.deinit = be.deinit(stream, output.data(), &produced);
    out.write(reinterpret_cast<const char*>(output.data()), produced);
  }
  r.infoTag = be.writeInfoTag(stream, mp3Path.c_str());
  r.close = be.close(stream);
  return r;
}

}  // namespace tolvo::test
