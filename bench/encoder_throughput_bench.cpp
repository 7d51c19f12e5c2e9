// Encoding speed of libtolvomp3enc1.so through its stream interface, as a multiple of real time
// (seconds of audio encoded per second of work), for the settings a host most often sends.
// Usage: encoder_throughput_bench [seconds of audio, default 60].
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "tolvo/encoder/be_stream.h"
#include "tolvo/platform/dynamic_library.h"
#include "tolvo/system_files.h"

namespace {

using namespace tolvo::encoder;
using Clock = std::chrono::steady_clock;

struct Setting {
  const char* name;
  uint32_t channelMode, bitrate, quality;
  bool vbr;
};

BeConfig Record(const Setting& s, uint32_t rate) {
  BeConfig c;
  std::memset(&c, 0, sizeof c);
  c.configKind = kBeConfigKind;
  c.recordVersion = kBeRecordVersion;
  c.recordSize = sizeof c;
  c.inputSampleRate = rate;
  c.channelMode = s.channelMode;
  c.bitrate = s.bitrate;
  c.vbrMaxBitrate = 320;
  c.qualityPreset = s.quality;
  c.mpegVersion = 1;
  c.originalBit = 1;
  c.writeVbrHeader = c.enableVbr = s.vbr ? 1 : 0;
  c.noBitReservoir = 1;
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  const uint32_t rate = 44100;
  tolvo::platform::Library library(
      tolvo::platform::LoadLibrary(std::string(TOLVO_OUT_DIR) + "/" + tolvo::kEncoderLibraryName));
  if (!library) {
    std::fprintf(stderr, "cannot load the encoder: %s\n",
                 tolvo::platform::LastLibraryError().c_str());
    return 1;
  }
  auto init =
      reinterpret_cast<BeInitStreamFn>(tolvo::platform::FindSymbol(library.get(), "beInitStream"));
  auto encode = reinterpret_cast<BeEncodeChunkFn>(
      tolvo::platform::FindSymbol(library.get(), "beEncodeChunk"));
  auto deinit = reinterpret_cast<BeDeinitStreamFn>(
      tolvo::platform::FindSymbol(library.get(), "beDeinitStream"));
  auto close = reinterpret_cast<BeCloseStreamFn>(
      tolvo::platform::FindSymbol(library.get(), "beCloseStream"));
  if (!init || !encode || !deinit || !close) return 1;

  // A two-tone signal with a little noise, so the psychoacoustic model has work to do.
  std::vector<int16_t> samples(static_cast<size_t>(seconds) * rate * 2);
  uint32_t noise = 12345;
  for (size_t i = 0; i < samples.size() / 2; ++i) {
    noise = noise * 1103515245u + 12345u;
    const double t = static_cast<double>(i) / rate;
    const double n = static_cast<double>((noise >> 16) & 0x3FF) - 512.0;
    samples[2 * i] = static_cast<int16_t>(9000 * std::sin(2 * std::numbers::pi * 440 * t) + n);
    samples[2 * i + 1] = static_cast<int16_t>(9000 * std::sin(2 * std::numbers::pi * 660 * t) - n);
  }

  const Setting settings[] = {{"joint stereo 128 CBR, normal", 1, 128, 0, false},
                              {"joint stereo 128 CBR, high", 1, 128, 2, false},
                              {"joint stereo VBR 128-320, normal", 1, 128, 0, true},
                              {"stereo as mono 64 CBR, low", 4, 64, 1, false}};
  std::printf("%d s of 44.1 kHz stereo per setting\n", seconds);
  for (const Setting& s : settings) {
    const BeConfig config = Record(s, rate);
    uint32_t chunk = 0, size = 0;
    BeStream stream = 0;
    if (init(&config, &chunk, &size, &stream) != 0) return 1;
    std::vector<uint8_t> output(size);
    uint64_t bytes = 0;
    uint32_t produced = 0;
    const auto start = Clock::now();
    for (size_t at = 0; at < samples.size(); at += chunk) {
      const uint32_t count = static_cast<uint32_t>(std::min<size_t>(chunk, samples.size() - at));
      if (encode(stream, count, samples.data() + at, output.data(), &produced) != 0) return 1;
      bytes += produced;
    }
    if (deinit(stream, output.data(), &produced) != 0) return 1;
    bytes += produced;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    close(stream);
    std::printf("%-34s %7.1f x real time  (%llu bytes)\n", s.name, seconds / elapsed,
                static_cast<unsigned long long>(bytes));
  }
  return 0;
}
