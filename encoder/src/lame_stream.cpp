// The libmp3lame stream behind one handle of the stream interface. The flags object is closed by
// its owner on every path; the input is de-interleaved into buffers of our own so that the
// caller's samples are never handed to the library as writable memory.
#include "lame_stream.h"

#include <lame/lame.h>

#include <mutex>
#include <new>

namespace tolvo::encoder {
namespace {

MPEG_mode LameMode(OutputChannels channels) {
  switch (channels) {
    case OutputChannels::kStereo:
      return STEREO;
    case OutputChannels::kJointStereo:
      return JOINT_STEREO;
    case OutputChannels::kDualChannel:
      return DUAL_CHANNEL;
    case OutputChannels::kMono:
      return MONO;
  }
  return JOINT_STEREO;
}

// Serialises the setting up of libmp3lame contexts: streams of several threads (the workers of a
// parallel stream among them) may start at once, and the library's first set-up fills tables
// that are shared by every context.
std::mutex& SetupLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

void LameStream::LameCloser::operator()(lame_global_struct* flags) const { lame_close(flags); }

LameStream::~LameStream() = default;

BeStatus LameStream::Open(const StreamSettings& settings, std::unique_ptr<LameStream>* stream) {
  std::unique_ptr<LameStream> made(new (std::nothrow) LameStream(settings));
  if (!made) return kBeOutOfMemory;
  std::lock_guard<std::mutex> guard(SetupLock());
  made->lame_.reset(lame_init());
  if (!made->lame_) return kBeOutOfMemory;
  if (BeStatus status = made->Configure(); status != kBeOk) return status;
  *stream = std::move(made);
  return kBeOk;
}

BeStatus LameStream::Configure() {
  lame_global_flags* gf = lame_.get();
  const StreamSettings& s = settings_;
  lame_set_num_channels(gf, s.inputChannels);
  lame_set_in_samplerate(gf, s.inputSampleRate);
  lame_set_out_samplerate(gf, s.outputSampleRate);
  lame_set_mode(gf, LameMode(s.outputChannels));
  lame_set_quality(gf, s.lameQuality);
  // The info frame is always reserved at the start; beWriteInfoTag fills it in at the end.
  lame_set_bWriteVbrTag(gf, 1);
  lame_set_write_id3tag_automatic(gf, 0);
  lame_set_disable_reservoir(gf, s.disableReservoir ? 1 : 0);
  lame_set_error_protection(gf, s.crc ? 1 : 0);
  lame_set_copyright(gf, s.copyright ? 1 : 0);
  lame_set_original(gf, s.original ? 1 : 0);
  lame_set_extension(gf, s.privateBit ? 1 : 0);
  lame_set_strict_ISO(gf, s.strictIso ? 1 : 0);
  lame_set_emphasis(gf, s.emphasis);
  if (s.vbr) {
    lame_set_VBR(gf, vbr_default);
    lame_set_VBR_q(gf, s.vbrQuality);
    lame_set_VBR_min_bitrate_kbps(gf, s.bitrate);
    lame_set_VBR_max_bitrate_kbps(gf, s.vbrMaxBitrate);
  } else {
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, s.bitrate);
  }
  if (lame_init_params(gf) < 0) return kBeInvalidConfig;

  // libmp3lame quietly moves a bitrate that its output rate cannot carry to a neighbour; the
  // caller asked for this bitrate, so such a stream is refused instead.
  const int outputRate = lame_get_out_samplerate(gf);
  if (!IsCarriedBitrate(s.bitrate, outputRate)) return kBeInvalidConfig;
  if (!s.vbr && lame_get_brate(gf) != s.bitrate) return kBeInvalidConfig;

  if (s.inputChannels == 2) {
    left_.resize(s.samplesPerChunk / 2);
    right_.resize(s.samplesPerChunk / 2);
  }
  return kBeOk;
}

BeStatus LameStream::EncodeChunk(uint32_t count, const int16_t* samples, uint8_t* output,
                                 uint32_t* bytesProduced) {
  if (!output || !bytesProduced || (count > 0 && !samples)) return kBeInvalidArgument;
  const uint32_t channels = static_cast<uint32_t>(settings_.inputChannels);
  if (count > settings_.samplesPerChunk || count % channels != 0) return kBeInvalidArgument;
  if (state_ != State::kEncoding) return kBeWrongState;
  *bytesProduced = 0;
  if (count == 0) return kBeOk;

  const int frames = static_cast<int>(count / channels);
  const int room = static_cast<int>(settings_.outputBufferSize);
  int produced;
  if (channels == 1) {
    produced = lame_encode_buffer(lame_.get(), samples, samples, frames, output, room);
  } else {
    for (int i = 0; i < frames; ++i) {
      left_[i] = samples[2 * i];
      right_[i] = samples[2 * i + 1];
    }
    produced = lame_encode_buffer(lame_.get(), left_.data(), right_.data(), frames, output, room);
  }
  if (produced < 0) {
    state_ = State::kFailed;
    return kBeEncoderFailed;
  }
  *bytesProduced = static_cast<uint32_t>(produced);
  return kBeOk;
}

BeStatus LameStream::Flush(uint8_t* output, uint32_t* bytesProduced) {
  if (!output || !bytesProduced) return kBeInvalidArgument;
  if (state_ != State::kEncoding) return kBeWrongState;
  *bytesProduced = 0;
  const int produced =
      lame_encode_flush(lame_.get(), output, static_cast<int>(settings_.outputBufferSize));
  if (produced < 0) {
    state_ = State::kFailed;
    return kBeEncoderFailed;
  }
  state_ = State::kFlushed;
  *bytesProduced = static_cast<uint32_t>(produced);
  return kBeOk;
}

std::vector<uint8_t> LameStream::InfoFrame() const {
  if (state_ != State::kFlushed) return {};
  return RenderedInfoFrame();
}

int LameStream::outputSampleRate() const { return lame_get_out_samplerate(lame_.get()); }

// A frame handed out before any audio frame was encoded is the reserved one; once an audio frame
// is encoded, libmp3lame tells whether it reserved a frame.
bool LameStream::FirstFrameReserved() const {
  return lame_get_frameNum(lame_.get()) == 0 || lame_get_lametag_frame(lame_.get(), nullptr, 0) > 0;
}

int LameStream::encoderDelay() const { return lame_get_encoder_delay(lame_.get()); }

std::vector<uint8_t> LameStream::RenderedInfoFrame() const {
  const size_t needed = lame_get_lametag_frame(lame_.get(), nullptr, 0);
  std::vector<uint8_t> frame(needed);
  if (needed == 0 || lame_get_lametag_frame(lame_.get(), frame.data(), frame.size()) != needed) {
    return {};
  }
  return frame;
}

}  // namespace tolvo::encoder
