// The steps of one encode job, from binding the encoder to deleting a converted input. Every path
// closes its files, releases its buffers and ends an opened encoder stream.
#include "lame/encode_job.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <thread>

#include "core/engine_state.h"
#include "core/file_services.h"
#include "core/job_end_signals.h"
#include "core/trace.h"
#include "lame/encoder_binding.h"
#include "lame/input_conversion.h"
#include "lame/wav_input.h"
#include "tolvo/platform/process_priority.h"

namespace tolvo::engine {

// Samples go to the encoder as they lie in the file: little-endian 16-bit values.
static_assert(std::endian::native == std::endian::little);

namespace {

// A setting that is one of the first `count` numbers of a field of the encoder's record.
bool IsBelow(int32_t setting, uint32_t count) {
  return setting >= 0 && static_cast<uint32_t>(setting) < count;
}

constexpr auto kPausePoll = std::chrono::milliseconds(50);

class EncodeJob {
 public:
  explicit EncodeJob(platform::FileSystem& fs) : fs_(fs), state_(State()) {}
  EncodeJob(const EncodeJob&) = delete;
  EncodeJob& operator=(const EncodeJob&) = delete;
  // Only reached with an open stream when a step threw; files close through their own owners.
  ~EncodeJob() { FinishStream(); }
  int32_t Run();

 private:
  // Opens the input at its samples and the output, checks the settings, opens the encoder's
  // stream and takes the buffers.
  int32_t OpenFilesAndStream();
  // Encodes chunk after chunk until the input ends or a cancel, then flushes the stream unless a
  // chunk failed.
  int32_t EncodeSamples();
  int32_t Flush();
  int32_t OpenOutput();
  // Closes the input, flushes the output to the disk and releases the buffers.
  int32_t ReleaseFiles(int32_t result);
  // Writes the info frame into the output and closes the encoder's stream.
  void FinishStream();
  // The output path still names the file this job writes (nobody removed or replaced it).
  bool OutputStillNamed();
  int64_t ReadChunk();  // 16-bit values read, -1 on a read error
  // Checks an encoder call's status and writes what it produced: 0, 106 or 107.
  int32_t WriteEncoded(encoder::BeStatus status, uint32_t produced);
  bool CancelRequested() const { return state_.cancelRequested.load() != 0; }

  platform::FileSystem& fs_;
  EngineState& state_;
  const EncoderFunctions* encoder_ = nullptr;
  int32_t channels_ = 0;
  int32_t sampleRate_ = 0;
  // The input named by the caller, before any conversion.
  platform::IoResult<platform::FileInfo> originalInput_ = platform::IoError{};
  platform::File input_;
  platform::IoResult<platform::FileInfo> inputInfo_ = platform::IoError{};
  platform::File output_;  // open, and locked, until the job's end
  bool hasStream_ = false;
  encoder::BeStream stream_ = 0;
  uint32_t samplesPerChunk_ = 0;
  uint32_t outputBufferSize_ = 0;
  std::unique_ptr<int16_t[]> samples_;  // two 16-bit slots per sample value of a chunk
  std::unique_ptr<uint8_t[]> encoded_;  // twice the size the encoder asked for
  size_t encodedCapacity_ = 0;
  int64_t inputSize_ = 0;
  int64_t consumed_ = 0;
  int64_t sampleBytesLeft_ = -1;  // what is left of the data chunk; -1 reads to the end
};

int32_t EncodeJob::Run() {
  state_.progress.store(0);
  int32_t result = kJobSucceeded;
  if (!BindEncoder()) {
    Trace("problems loading the dll, exiting \n");
    result = kJobEncoderNotBound;
  } else {
    encoder_ = &Encoder();
    ResetConversion();
    originalInput_ = fs_.Stat(state_.inputPath);
    if (CheckWaveFile(state_.inputPath, &channels_, &sampleRate_, fs_) != 0) {
      Trace("invalid wave file, exiting \n");
      result = kJobInvalidWave;
    } else {
      result = OpenFilesAndStream();
      if (result == kJobSucceeded) result = EncodeSamples();
      result = ReleaseFiles(result);
    }
  }
  FinishStream();
  // The lock on the output is held to here, and the file must still be the one at its path.
  if (output_.IsOpen()) {
    const bool named = OutputStillNamed();
    const bool closed = output_.Close();
    if ((!named || !closed) && (result == kJobSucceeded || result == kJobCancelled)) {
      Trace("Output file write error\n");
      result = kJobOutputWriteFailed;
    }
  }
  DeleteConvertedInput();
  return result;
}

bool EncodeJob::OutputStillNamed() {
  return platform::SameFile(fs_.Stat(state_.outputPath), output_.Info());
}

int32_t EncodeJob::OpenOutput() {
  // Opened without truncation: nothing is cut before the file is known to be a regular file
  // that is not the input, not read-only and not held by another encode or a tag operation.
  output_ = platform::File::Open(fs_, state_.outputPath, platform::OpenMode::kCreate);
  if (!output_.IsOpen()) return kJobCannotCreateOutput;
  const platform::IoResult<platform::FileInfo> info = output_.Info();
  if (!platform::IsRegularFile(info)) return kJobCannotCreateOutput;
  if (platform::SameFile(info, inputInfo_) || platform::SameFile(info, originalInput_)) {
    Trace("Output file is the input file\n");
    return kJobCannotCreateOutput;
  }
  if (info->IsReadOnly()) return kJobCannotCreateOutput;  // for root too
  if (!fs_.LockFd(output_.fd())) return kJobCannotCreateOutput;
  if (!output_.Truncate(0)) return kJobCannotCreateOutput;
  return kJobSucceeded;
}

int32_t EncodeJob::OpenFilesAndStream() {
  input_ = platform::File::Open(fs_, state_.inputPath, platform::OpenMode::kRead);
  inputInfo_ = input_.Info();
  if (!input_.IsOpen() || !platform::IsRegularFile(inputInfo_)) {
    Trace("Error opening %s\n", state_.inputPath);
    return kJobCannotOpenInput;
  }
  sampleBytesLeft_ = SeekToSampleData(input_).bytes;

  std::string folder, name;
  SplitOutputPath(state_.outputPath, &folder, &name);
  if (name.empty()) {
    Trace("Filename is missing\n");
    return kJobMissingFileName;
  }
  if (CreateFolderChain(folder, kNativePathStyle, fs_) != 0) {
    Trace("Cannot create destination folder\n");
    return kJobCannotCreateFolder;
  }
  if (OpenOutput() != kJobSucceeded) {
    Trace("Cannot create %s\n", state_.outputPath);
    output_.Close();  // not this job's file: left as it was
    return kJobCannotCreateOutput;
  }
  // From here on a failure leaves the output file behind, empty or partly written.

  // The settings are the record's channel mode and quality preset. Mono asked of the input:
  // a stereo input's two channels are encoded as one, and the setting keeps that mode.
  int32_t stereoMode = state_.stereoMode.load();
  if (stereoMode == static_cast<int32_t>(encoder::kChannelMonoInput)) {
    stereoMode = static_cast<int32_t>(encoder::kChannelStereoInputAsMono);
    state_.stereoMode.store(stereoMode);
  }
  if (!IsBelow(stereoMode, encoder::kChannelModeCount)) {
    Trace("Invalid stereo mode value \n");
    return kJobInvalidStereoMode;
  }
  const int32_t bitrate = state_.bitrate.load();
  if (!IsAllowedBitrate(bitrate)) {
    Trace("Invalid bitrate value\n");
    return kJobInvalidBitrate;
  }
  const int32_t quality = state_.quality.load();
  if (!IsBelow(quality, encoder::kQualityPresetCount)) {
    Trace("Invalid quality settings \n");
    return kJobInvalidQuality;
  }

  encoder::BeConfig config{};
  FillEncoderConfig({.inputSampleRate = static_cast<uint32_t>(sampleRate_),
                     .channelMode = channels_ == 1 ? encoder::kChannelMonoInput
                                                   : static_cast<uint32_t>(stereoMode),
                     .bitrate = bitrate,
                     .vbrMaxBitrate = state_.vbrMaxBitrate.load(),
                     .quality = quality,
                     .useVbr = state_.useVbr.load() != 0,
                     .vbrQuality = state_.vbrQuality.load(),
                     .encoderThreads = state_.encoderThreads.load()},
                    &config);

  if (auto nice = NiceForPriority(state_.priority.load())) platform::SetProcessNice(*nice);

  encoder::BeStream stream = 0;
  const encoder::BeStatus status =
      encoder_->initStream(&config, &samplesPerChunk_, &outputBufferSize_, &stream);
  if (status != 0) {
    Trace("Error opening encoding stream or invalid settings (%lu)\n",
          static_cast<unsigned long>(status));
    return kJobStreamRefused;
  }
  hasStream_ = true;
  stream_ = stream;

  encodedCapacity_ = size_t{2} * outputBufferSize_;
  samples_.reset(new (std::nothrow) int16_t[size_t{2} * samplesPerChunk_]);
  encoded_.reset(new (std::nothrow) uint8_t[encodedCapacity_]);
  if (!samples_ || !encoded_) {
    Trace("cannot allocate the encoding buffers\n");
    return kJobOutOfResources;
  }
  inputSize_ = inputInfo_->size;  // a regular file, as the open proved
  return kJobSucceeded;
}

int64_t EncodeJob::ReadChunk() {
  size_t wanted = size_t{2} * samplesPerChunk_;
  // Chunks behind the samples (tags, cue points) are never read as sound.
  if (sampleBytesLeft_ >= 0 && static_cast<uint64_t>(sampleBytesLeft_) < wanted) {
    wanted = static_cast<size_t>(sampleBytesLeft_);
  }
  const int64_t bytes = input_.ReadFull(samples_.get(), wanted);
  if (bytes < 0) return -1;
  if (sampleBytesLeft_ >= 0) sampleBytesLeft_ -= bytes;
  // Whole 16-bit values of whole frames: a stereo file whose last bytes hold half a frame would
  // otherwise end the job with an encoder failure.
  const int64_t values = bytes / 2;
  return channels_ == 2 ? values - values % 2 : values;
}

int32_t EncodeJob::WriteEncoded(encoder::BeStatus status, uint32_t produced) {
  // An encoder that claims more bytes than its buffer holds has failed too.
  if (status != 0 || produced > encodedCapacity_) {
    Trace("encoder failed (%lu)\n", static_cast<unsigned long>(status));
    return kJobEncoderFailed;
  }
  if (produced > 0 &&
      output_.WriteFull(encoded_.get(), produced) != static_cast<int64_t>(produced)) {
    Trace("Output file write error\n");
    return kJobOutputWriteFailed;
  }
  return kJobSucceeded;
}

int32_t EncodeJob::EncodeSamples() {
  bool cancelled = false;
  for (int64_t count = ReadChunk(); count != 0; count = ReadChunk()) {
    if (count < 0) {
      Trace("Error reading %s\n", state_.inputPath);
      return kJobCannotOpenInput;
    }
    cancelled = CancelRequested();
    while (!cancelled && state_.pauseRequested.load() != 0) {
      std::this_thread::sleep_for(kPausePoll);
      cancelled = CancelRequested();
    }
    if (cancelled) break;

    uint32_t produced = 0;
    const encoder::BeStatus status = encoder_->encodeChunk(
        stream_, static_cast<uint32_t>(count), samples_.get(), encoded_.get(), &produced);
    if (const int32_t result = WriteEncoded(status, produced); result != kJobSucceeded) {
      return result;
    }
    consumed_ += 2 * count;
    state_.progress.store(ProgressPercent(inputSize_, consumed_));
  }
  const int32_t flushed = Flush();
  if (flushed != kJobSucceeded) return flushed;
  return cancelled ? kJobCancelled : kJobSucceeded;
}

int32_t EncodeJob::Flush() {
  uint32_t produced = 0;
  const encoder::BeStatus status = encoder_->deinitStream(stream_, encoded_.get(), &produced);
  return WriteEncoded(status, produced);
}

int32_t EncodeJob::ReleaseFiles(int32_t result) {
  input_.Close();
  // The output stays open (and locked) until the job ends; a flush that fails may have lost
  // written data: never report that file as finished.
  const bool outputFlushed = !output_.IsOpen() || output_.Sync();
  if (!outputFlushed && (result == kJobSucceeded || result == kJobCancelled)) {
    Trace("Output file write error\n");
    result = kJobOutputWriteFailed;
  }
  samples_.reset();
  encoded_.reset();
  return result;
}

void EncodeJob::FinishStream() {
  if (!hasStream_) return;
  // The info frame is written by name: only into the file this job wrote.
  if (output_.IsOpen() && OutputStillNamed()) encoder_->writeInfoTag(stream_, state_.outputPath);
  encoder_->closeStream(stream_);
  hasStream_ = false;
}

}  // namespace

bool IsAllowedBitrate(int32_t kbps) {
  return std::find(kAllowedBitrates.begin(), kAllowedBitrates.end(), kbps) !=
         kAllowedBitrates.end();
}

int32_t ProgressPercent(int64_t totalBytes, int64_t consumedBytes) {
  if (totalBytes <= 0 || consumedBytes <= 0) return 0;
  return static_cast<int32_t>(100.0 / static_cast<double>(totalBytes) *
                              static_cast<double>(consumedBytes));
}

std::optional<int> NiceForPriority(int32_t priority) {
  return platform::NiceOfPriorityLevel(priority);
}

int32_t RunEncodeJob(platform::FileSystem& fs) {
  try {
    EncodeJob job(fs);
    return job.Run();
  } catch (const std::exception&) {  // an allocation of a path text; the job has cleaned up
    Trace("encode job ran out of memory\n");
    DeleteConvertedInput();
    return kJobOutOfResources;
  }
}

void EncodeThread() {
  EngineState& state = State();
  state.progress.store(0);
  const int32_t result = RunEncodeJob();
  state.jobState.store(result);
  SignalJobEnd();
}

}  // namespace tolvo::engine
