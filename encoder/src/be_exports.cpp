// The six exported functions of libtolvomp3enc1.so. Each checks its pointers and handle, does
// its work on the stream under the stream's lock, and turns every failure into a status: nothing
// is thrown across the library boundary.
#include <new>
#include <type_traits>

#include "config_reading.h"
#include "info_frame_writer.h"
#include "lame_stream.h"
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

}  // namespace

#define TOLVO_EXPORT extern "C" __attribute__((visibility("default")))

TOLVO_EXPORT BeStatus beInitStream(const BeConfig* config, uint32_t* samplesPerChunk,
                                   uint32_t* outputBufferSize, BeStream* stream) {
  if (stream) *stream = 0;
  if (!config || !samplesPerChunk || !outputBufferSize || !stream) return kBeInvalidArgument;
  return Guarded([&]() -> BeStatus {
    StreamSettings settings;
    if (BeStatus status = ReadConfig(*config, &settings); status != kBeOk) return status;
    std::unique_ptr<LameStream> lame;
    if (BeStatus status = LameStream::Open(settings, &lame); status != kBeOk) return status;
    const BeStream handle = StreamRegistry::Instance().Add(std::move(lame));
    if (handle == 0) return kBeOutOfMemory;
    *samplesPerChunk = settings.samplesPerChunk;
    *outputBufferSize = settings.outputBufferSize;
    *stream = handle;
    return kBeOk;
  });
}

TOLVO_EXPORT BeStatus beEncodeChunk(BeStream stream, uint32_t sampleCount, const int16_t* samples,
                                    uint8_t* output, uint32_t* bytesProduced) {
  if (bytesProduced) *bytesProduced = 0;
  return WithLiveStream(stream, [&](LameStream& lame) {
    return lame.EncodeChunk(sampleCount, samples, output, bytesProduced);
  });
}

TOLVO_EXPORT BeStatus beDeinitStream(BeStream stream, uint8_t* output, uint32_t* bytesProduced) {
  if (bytesProduced) *bytesProduced = 0;
  return WithLiveStream(stream,
                        [&](LameStream& lame) { return lame.Flush(output, bytesProduced); });
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
  return WithLiveStream(stream, [&](LameStream& lame) -> BeStatus {
    if (!lame.flushed()) return kBeWrongState;
    const std::vector<uint8_t> frame = lame.InfoFrame();
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
