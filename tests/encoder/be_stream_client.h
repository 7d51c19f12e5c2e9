// Test helper: the built libtolvomp3enc1.so loaded by path with its six functions, a sine
// generator, a record with usable settings, and a whole encode of samples into an MP3 file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tolvo/encoder/be_stream.h"
#include "tolvo/platform/dynamic_library.h"

namespace tolvo::test {

struct BeLibrary {
  platform::Library library;
  encoder::BeInitStreamFn init = nullptr;
  encoder::BeEncodeChunkFn encode = nullptr;
  encoder::BeDeinitStreamFn deinit = nullptr;
  encoder::BeCloseStreamFn close = nullptr;
  encoder::BeWriteVbrHeaderFn writeVbrHeader = nullptr;
  encoder::BeWriteInfoTagFn writeInfoTag = nullptr;

  // Loads OutDir()/libtolvomp3enc1.so; every pointer is null when that fails.
  BeLibrary();
  bool complete() const;
};

// A record as the engine fills it: CBR or VBR, original bit, bit reservoir off.
encoder::BeConfig MakeConfig(uint32_t inputRate, uint32_t channelMode, uint32_t bitrate, bool vbr,
                             uint32_t vbrMax = 320);

// Interleaved 16-bit sine, a different pitch per channel.
std::vector<int16_t> Sine(int channels, int rate, int64_t frames);

struct EncodeResult {
  encoder::BeStatus init = 1, encode = 1, deinit = 1, infoTag = 1, close = 1;
  uint32_t samplesPerChunk = 0;
};

// Runs the whole sequence the engine runs: init, chunks, flush, write, info frame, close.
EncodeResult EncodeToFile(const BeLibrary& be, const encoder::BeConfig& config,
                          const std::vector<int16_t>& samples, const std::string& mp3Path);

}  // namespace tolvo::test
