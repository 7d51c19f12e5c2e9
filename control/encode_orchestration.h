// How the control turns MP3Encode into engine commands, polls the running job on each Timer1 tick
// and reports Progress, ErrorCode and Finished; pause, resume, cancel and the process priority.
#pragma once

#include <cstdint>
#include <string>

#include "tolvo/engine/interface1.h"
#include "tolvo_encode_seams.h"

namespace tolvo::control {

inline constexpr uint32_t kTimer1IntervalMs = 250;
// Descriptors 0 to 2 are the standard streams: an answer below this is no job-end descriptor.
inline constexpr int32_t kFirstJobEndDescriptor = 3;

// The index of the text in kStereoModeTexts (tolvo/control/setting_texts.h), else 0.
int32_t StereoModeNumber(std::u16string_view stereoMode);
// The index of the text in kMp3QualityTexts, else 0.
int32_t QualityNumber(std::u16string_view mp3Quality);

class EncodeOrchestration {
 public:
  EncodeOrchestration(EngineLink& engine, ControlEvents& events, PollTimer& timer1)
      : engine_(engine), events_(events), timer1_(timer1) {}

  void MP3Encode(const std::u16string& inputFile, const std::u16string& outputFile, int32_t bitrate,
                 std::u16string_view stereoMode, std::u16string_view mp3Quality, int32_t vbr,
                 int32_t vbrMaxBitrate);
  void MP3EncodePause();
  void MP3EncodeResume();
  // Returns after a running job has stopped; its end is reported by the next tick.
  void MP3EncodeCancel();
  void SelectProcessPriority(int32_t newLevel);
  // Encoder workers for one file: 0 one per core, 1 the sequential encode ("threads").
  void SelectEncoderThreads(int32_t count);
  // Stops watching the engine's job-end descriptor and gives it back; before the engine is
  // released.
  void ReleaseJobEndSignal();

  // One tick of Timer1. A tick that starts while another is still raising its events (a handler
  // running a nested loop) does nothing.
  void Tick();

  // ErrorCode with the table's text for `number` (255 and "Unexpected error n" when unlisted).
  void RaiseErrorCode(int32_t number);

 private:
  void FinishJob(int32_t result);
  // Asks the engine once for its job-end descriptor and lets the timer tick on it, so that the
  // end of a job is reported at once instead of at the next tick.
  void WatchJobEnd();

  EngineLink& engine_;
  ControlEvents& events_;
  PollTimer& timer1_;
  int32_t lastProgress_ = 0;
  bool inTick_ = false;
  bool jobEndAsked_ = false;
  int32_t jobEndDescriptor_ = -1;
  // Counts jobs started, so that the end of one job does not stop the polling of a job that a
  // handler started while that end was being reported.
  uint64_t jobsStarted_ = 0;
};

}  // namespace tolvo::control
