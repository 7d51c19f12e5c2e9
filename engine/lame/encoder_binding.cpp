// Binding of the encoder library at run time, by its bare name: the control has already loaded
// it by full path, and its SONAME makes the bare name resolve to that copy. A complete binding is
// kept for the life of the engine; an incomplete one is dropped so the next job tries again.
#include "lame/encoder_binding.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "core/debug_box.h"
#include "core/trace.h"
#include "tolvo/platform/dynamic_library.h"
#include "tolvo/system_files.h"

namespace tolvo::engine {
namespace {

struct Binding {
  std::mutex lock;                    // one binder at a time
  std::atomic<bool> complete{false};  // set after `functions` is filled (release/acquire)
  platform::Library library;
  EncoderFunctions functions;
};

Binding& TheBinding() {
  static Binding binding;
  return binding;
}

template <typename Function>
bool Find(const platform::Library& library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(platform::FindSymbol(library.get(), name));
  return *function != nullptr;
}

}  // namespace

bool BindEncoder() {
  Binding& binding = TheBinding();
  if (binding.complete.load(std::memory_order_acquire)) return true;
  std::lock_guard<std::mutex> guard(binding.lock);
  if (binding.complete.load(std::memory_order_relaxed)) return true;

  platform::Library library(platform::LoadLibrary(kEncoderLibraryName));
  if (!library) {
    Trace("%s\n", platform::LastLibraryError().c_str());
    ShowDebugBox("Unable to load library %s \n", kEncoderLibraryName);
    return false;
  }
  EncoderFunctions found;
  const bool all = Find(library, "beInitStream", &found.initStream) &&
                   Find(library, "beEncodeChunk", &found.encodeChunk) &&
                   Find(library, "beDeinitStream", &found.deinitStream) &&
                   Find(library, "beCloseStream", &found.closeStream) &&
                   Find(library, "beWriteVBRHeader", &found.writeVbrHeader) &&
                   Find(library, "beWriteInfoTag", &found.writeInfoTag);
  if (!all) return false;  // the library reference is released here

  binding.functions = found;
  binding.library = std::move(library);
  binding.complete.store(true, std::memory_order_release);
  return true;
}

const EncoderFunctions& Encoder() { return TheBinding().functions; }

void FillEncoderConfig(const EncoderRecordValues& values, encoder::BeConfig* config) {
  std::memset(config, 0, sizeof *config);
  config->configKind = encoder::kBeConfigKind;
  config->recordVersion = encoder::kBeRecordVersion;
  config->recordSize = sizeof *config;
  config->inputSampleRate = values.inputSampleRate;
  config->outputSampleRate = 0;
  config->channelMode = values.channelMode;
  config->bitrate = static_cast<uint32_t>(values.bitrate);
  config->vbrMaxBitrate = static_cast<uint32_t>(values.vbrMaxBitrate);
  config->qualityPreset = static_cast<uint32_t>(values.quality);
  config->mpegVersion = 1;
  config->originalBit = 1;
  config->writeVbrHeader = values.useVbr ? 1 : 0;
  config->enableVbr = values.useVbr ? 1 : 0;
  config->vbrQuality = static_cast<uint32_t>(values.vbrQuality);
  config->noBitReservoir = 1;
  // A negative count is nonsense: the sequential encode.
  config->workerCount =
      static_cast<uint32_t>(values.encoderThreads < 0 ? 1 : values.encoderThreads);
}

}  // namespace tolvo::engine
