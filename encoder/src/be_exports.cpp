// The six exported functions of libtolvomp3enc1.so. Each checks its pointers and handle, does
// its work on the stream under the stream's lock, and turns every failure into a status: nothing
// is thrown across the library boundary.
#include <new>
#include <type_traits>

#include "config_reading.h"
#include "info_frame_writer.h"
#include "lame_stream.h"
#include "parallel_stream.h"
#include "stream_registry.h"
#include "tolvo/encoder/be_stream.h"

namespace {

using namespace tolvo::encoder;

template <typename Work>
BeStatus Guarded(Work&& work) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return kBeOutOfMemory;
  } catch (...) {
    return kBeEncoderFailed;
  }
}

// Runs `work` on a live stream under its lock; a handle that names no live stream is refused.
template <typename Work>
BeStatus WithLiveStream(BeStream stream, Work&& work) noexcept {
  return Guarded([&]() -> BeStatus {
    auto live = StreamRegistry::Instance().Find(stream);
    if (!live) return kBeInvalidStream;
    std::lock_guard<std::mutex> guard(live->lock);
    if (!live->stream) return kBeInvalidStream;
    return work(*live->stream);
  });
}

// The sequential stream, or the parallel one where blocks can be joined frame for frame: several
// workers, frames that stand alone (no bit reservoir) and no resampling (blocks on the input's
// frame grid are then on the output's).
BeStatus OpenStream(const StreamSettings& settings, std::unique_ptr<EncoderStream>* stream) {
  std::unique_ptr<LameStream> lame;
  if (BeStatus status = LameStream::Open(settings, &lame); status != kBeOk) return status;
  if (settings.workers > 1 && settings.disableReservoir &&
      lame->outputSampleRate() == settings.inputSampleRate) {
    return ParallelStream::Open(settings, settings.workers, std::move(lame), stream);
  }
  *stream = std::move(lame);
  return kBeOk;
}

}  // namespace

#define TOLVO_EXPORT extern "C" __attribute__((visibility("default")))

TOLVO_EXPORT BeStatus beInitStream(const BeConfig* config, uint32_t* samplesPerChunk,
                                   uint32_t* outputBufferSize, BeStream* stream) {
  if (stream) *stream = 0;
  if (!config || !samplesPerChunk || !outputBufferSize || !stream) return kBeInvalidArgument;
  return Guarded([&]() -> BeStatus {
    StreamSettings settings;
    if (BeStatus status = ReadConfig(*config, &settings); status != kBeOk) return status;
    std::unique_ptr<EncoderStream> opened;
    if (BeStatus status = OpenStream(settings, &opened); status != kBeOk) return status;
    const uint32_t chunk = opened->settings().samplesPerChunk;
    const uint32_t room = opened->settings().outputBufferSize;
    const BeStream handle = StreamRegistry::Instance().Add(std::move(opened));
    if (handle == 0) return kBeOutOfMemory;
    *samplesPerChunk = chunk;
    *outputBufferSize = room;
    *stream = handle;
    return kBeOk;
  });
}

TOLVO_EXPORT BeStatus beEncodeChunk(BeStream stream, uint32_t sampleCount, const int16_t* samples,
                                    uint8_t* output, uint32_t* bytesProduced) {
  if (bytesProduced) *bytesProduced = 0;
  return WithLiveStream(stream, [&](EncoderStream& encoder) {
    return encoder.EncodeChunk(sampleCount, samples, output, bytesProduced);
  });
}

TOLVO_EXPORT BeStatus beDeinitStream(BeStream stream, uint8_t* output, uint32_t* bytesProduced) {
  if (bytesProduced) *bytesProduced = 0;
  return WithLiveStream(
      stream, [&](EncoderStream& encoder) { return encoder.Flush(output, bytesProduced); });
}

TOLVO_EXPORT BeStatus beCloseStream(BeStream stream) {
  return Guarded([&]() -> BeStatus {
    auto live = StreamRegistry::Instance().Remove(stream);
    if (!live) return kBeInvalidStream;
    // Waits for a call still working on the stream, then frees the encoder.
    std::lock_guard<std::mutex> guard(live->lock);
    live->stream.reset();
    return kBeOk;
  });
}

// Fills in the frame reserved at the start of the closed MP3 file. Only a flushed stream knows
// its final frame count, delay and padding; before the flush the file is left as it is.
TOLVO_EXPORT BeStatus beWriteInfoTag(BeStream stream, const char* mp3Path) {
  if (!mp3Path) return kBeInvalidArgument;
  return WithLiveStream(stream, [&](EncoderStream& encoder) -> BeStatus {
    if (!encoder.flushed()) return kBeWrongState;
    const std::vector<uint8_t> frame = encoder.InfoFrame();
    if (frame.empty()) return kBeOk;  // no frame was reserved: the file is complete as it is
    return WriteInfoFrame(mp3Path, frame);
  });
}

// Has no stream to take the frame from, so it only tells whether the file already starts with
// an info frame (written by beWriteInfoTag): 0 when it does.
TOLVO_EXPORT BeStatus beWriteVBRHeader(const char* mp3Path) {
  if (!mp3Path) return kBeInvalidArgument;
  return Guarded([&]() -> BeStatus { return StartsWithInfoFrame(mp3Path) ? kBeOk : kBeFileError; });
}

static_assert(std::is_same_v<decltype(&beInitStream), BeInitStreamFn>);
static_assert(std::is_same_v<decltype(&beEncodeChunk), BeEncodeChunkFn>);
static_assert(std::is_same_v<decltype(&beDeinitStream), BeDeinitStreamFn>);
static_assert(std::is_same_v<decltype(&beCloseStream), BeCloseStreamFn>);
static_assert(std::is_same_v<decltype(&beWriteVBRHeader), BeWriteVbrHeaderFn>);
static_assert(std::is_same_v<decltype(&beWriteInfoTag), BeWriteInfoTagFn>);
