// MP3Encode's checks and commands, the polling tick and the job-control methods.
#include "encode_orchestration.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "error_table.h"
#include "host/globais.h"
#include "tolvo/control/setting_texts.h"
#include "tolvo/encoder/be_stream.h"
#include "tolvo/engine/interface1.h"

namespace tolvo::control {
namespace {

namespace commands = engine::commands;

constexpr std::u16string_view kBlank = u" ";

// Clears a flag when the scope ends, however it ends.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

}  // namespace

// The engine's "stereomode" and "quality" take the channel modes and quality presets of the
// encoder's configuration record, which the published texts are listed by.
static_assert(encoder::kChannelStereo == 0 && encoder::kChannelJointStereo == 1 &&
              encoder::kChannelDual == 2 && encoder::kChannelMonoInput == 3);
static_assert(encoder::kQualityNormal == 0 && encoder::kQualityLow == 1 &&
              encoder::kQualityHigh == 2);

namespace {

// The index of `text` among `texts` (exact, case-sensitive), else 0.
template <size_t N>
int32_t IndexOfText(std::u16string_view text, const std::array<const char*, N>& texts) {
  for (size_t i = 0; i < N; ++i) {
    std::string_view choice = texts[i];
    if (std::equal(text.begin(), text.end(), choice.begin(), choice.end(),
                   [](char16_t a, char b) { return a == static_cast<unsigned char>(b); })) {
      return static_cast<int32_t>(i);
    }
  }
  return 0;
}

}  // namespace

int32_t StereoModeNumber(std::u16string_view stereoMode) {
  return IndexOfText(stereoMode, kStereoModeTexts);
}

int32_t QualityNumber(std::u16string_view mp3Quality) {
  return IndexOfText(mp3Quality, kMp3QualityTexts);
}

void EncodeOrchestration::RaiseErrorCode(int32_t number) {
  const ErrorReport report = DescribeError(number);
  events_.ErrorCode(report.number, report.description);
}

void EncodeOrchestration::MP3Encode(const std::u16string& inputFile,
                                    const std::u16string& outputFile, int32_t bitrate,
                                    std::u16string_view stereoMode, std::u16string_view mp3Quality,
                                    int32_t vbr, int32_t vbrMaxBitrate) {
  engine_.Init();
  if (engine_.CallWindow(commands::kIntReturn, kBlank, kBlank, kBlank) == engine::kJobRunning) {
    return RaiseErrorCode(kErrorAlreadyExecuting);
  }
  // Equality first, so that two empty names count as the same file; then by identity, so that
  // no other spelling of the input's name (".", a link, a hard link) can be its output.
  if (CheckForEquality(inputFile, outputFile) || CheckForSameFile(inputFile, outputFile))
    return RaiseErrorCode(kErrorSameFile);
  if (CheckForEmpty(inputFile)) return RaiseErrorCode(kErrorInputEmpty);
  if (CheckForEmpty(outputFile)) return RaiseErrorCode(kErrorOutputEmpty);
  if (!CheckInputFile(inputFile)) return RaiseErrorCode(kErrorInputInvalid);

  // Settings go unchanged: the job validates them and reports what it refuses.
  engine_.CallWindowLONG(commands::kBitrate, bitrate, 0, 0);
  engine_.CallWindowLONG(commands::kVbr, vbr, 0, 0);
  engine_.CallWindowLONG(commands::kVbrMaxBitrate, vbrMaxBitrate, 0, 0);
  engine_.CallWindowLONG(commands::kStereoMode, StereoModeNumber(stereoMode), 0, 0);
  engine_.CallWindowLONG(commands::kQuality, QualityNumber(mp3Quality), 0, 0);
  WatchJobEnd();
  engine_.CallWindow(commands::kPassFiles, inputFile, outputFile, kBlank);
  ++jobsStarted_;
  timer1_.Enable();
}

void EncodeOrchestration::WatchJobEnd() {
  if (jobEndAsked_) return;
  jobEndAsked_ = true;
  const int32_t descriptor = engine_.OpenJobEndSignal();
  if (descriptor < kFirstJobEndDescriptor) return;
  jobEndDescriptor_ = descriptor;
  timer1_.TickWhenReadable(descriptor);
}

void EncodeOrchestration::ReleaseJobEndSignal() {
  if (jobEndDescriptor_ < kFirstJobEndDescriptor) return;
  timer1_.StopWatching();
  engine_.CloseJobEndSignal(jobEndDescriptor_);
  jobEndDescriptor_ = -1;
}

void EncodeOrchestration::MP3EncodePause() {
  engine_.Init();
  engine_.CallWindow(commands::kPause, kBlank, kBlank, kBlank);
}

void EncodeOrchestration::MP3EncodeResume() {
  engine_.Init();
  engine_.CallWindow(commands::kResume, kBlank, kBlank, kBlank);
}

void EncodeOrchestration::MP3EncodeCancel() {
  engine_.Init();
  engine_.CallWindow(commands::kCancel, kBlank, kBlank, kBlank);
}

void EncodeOrchestration::SelectProcessPriority(int32_t newLevel) {
  // Refused before the engine is loaded: a bad level sends nothing.
  if (newLevel < engine::kPriorityIdle || newLevel > engine::kPriorityHigh) {
    return RaiseErrorCode(kErrorInvalidPriority);
  }
  engine_.Init();
  engine_.CallWindowLONG(commands::kIntPriority, newLevel, 0, 0);
}

void EncodeOrchestration::SelectEncoderThreads(int32_t count) {
  engine_.Init();
  engine_.CallWindowLONG(commands::kThreads, count, 0, 0);
}

void EncodeOrchestration::Tick() {
  if (inTick_) return;
  FlagScope ticking(inTick_);

  engine_.Init();
  const int32_t progress = engine_.CallWindow(commands::kProgress, kBlank, kBlank, kBlank);
  if (progress != lastProgress_) events_.Progress(progress);
  lastProgress_ = progress;

  const int32_t result = engine_.CallWindow(commands::kIntReturn, kBlank, kBlank, kBlank);
  if (result >= engine::kJobRunning) return;
  FinishJob(result);
}

void EncodeOrchestration::FinishJob(int32_t result) {
  const uint64_t jobsBefore = jobsStarted_;
  lastProgress_ = -1;
  RaiseErrorCode(result);
  // A handler of ErrorCode may already have started the next job, which needs the timer.
  if (jobsStarted_ == jobsBefore) timer1_.Disable();
  events_.Finished();
  events_.Progress(100);
}

}  // namespace tolvo::control
