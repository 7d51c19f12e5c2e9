// Settings, job and state commands of interface1: they store settings for the next job, start
// the job thread, and let the caller poll, pause, resume and cancel it.
#include <chrono>
#include <exception>
#include <thread>

#include "core/command.h"
#include "core/engine_state.h"
#include "core/job_end_signals.h"
#include "core/trace.h"
#include "lame/encode_job.h"

namespace tolvo::engine {
namespace {

constexpr auto kCancelPoll = std::chrono::milliseconds(50);

int32_t Store(std::atomic<int32_t>& setting, intptr_t value) {
  setting.store(AsNumber(value));
  return 0;
}

int32_t PassFiles(intptr_t input, intptr_t output, intptr_t) {
  EngineState& state = State();
  // Claim the job word; a job that is already running keeps its paths and flags.
  int32_t current = state.jobState.load();
  do {
    if (current == kJobRunning) return kRefused;
  } while (!state.jobState.compare_exchange_weak(current, kJobRunning));

  state.pauseRequested.store(0);
  state.cancelRequested.store(0);
  CopyPathField(state.inputPath, AsText(input));
  CopyPathField(state.outputPath, AsText(output));
  try {
    std::thread(EncodeThread).detach();
  } catch (const std::exception&) {
    // Without a thread nothing would ever end the job: report it as ended at once.
    Trace("cannot start the encode thread\n");
    state.jobState.store(kJobOutOfResources);
    SignalJobEnd();
  }
  return 0;
}

// The VBR quality for the next jobs, 0 (best) to 9; refused, and no change, for any other number.
int32_t VbrQuality(intptr_t a1, intptr_t, intptr_t) {
  int32_t quality = AsNumber(a1);
  if (quality < kBestVbrQuality || quality > kLeastVbrQuality) return kRefused;
  State().vbrQuality.store(quality);
  return 0;
}

int32_t Cancel(intptr_t, intptr_t, intptr_t) {
  EngineState& state = State();
  state.cancelRequested.store(1);
  while (state.jobState.load() == kJobRunning) std::this_thread::sleep_for(kCancelPoll);
  return 0;
}

constexpr Command kJobCommands[] = {
    {commands::kPassFiles, PassFiles},
    {commands::kBitrate,
     [](intptr_t a1, intptr_t, intptr_t) { return Store(State().bitrate, a1); }},
    {commands::kVbr, [](intptr_t a1, intptr_t, intptr_t) { return Store(State().useVbr, a1); }},
    {commands::kStereoMode,
     [](intptr_t a1, intptr_t, intptr_t) { return Store(State().stereoMode, a1); }},
    {commands::kQuality,
     [](intptr_t a1, intptr_t, intptr_t) { return Store(State().quality, a1); }},
    {commands::kIntReturn, [](intptr_t, intptr_t, intptr_t) { return State().jobState.load(); }},
    {commands::kProgress, [](intptr_t, intptr_t, intptr_t) { return State().progress.load(); }},
    {commands::kIntPriority,
     [](intptr_t a1, intptr_t, intptr_t) { return Store(State().priority, a1); }},
    {commands::kCancel, Cancel},
    {commands::kPause,
     [](intptr_t, intptr_t, intptr_t) { return Store(State().pauseRequested, 1); }},
    {commands::kResume,
     [](intptr_t, intptr_t, intptr_t) { return Store(State().pauseRequested, 0); }},
    {commands::kVbrMaxBitrate,
     [](intptr_t a1, intptr_t, intptr_t) { return Store(State().vbrMaxBitrate, a1); }},
    {commands::kPassPath,
     [](intptr_t a1, intptr_t, intptr_t) {
       CopyPathField(State().programFolder, AsText(a1));
       return int32_t{0};
     }},
    {commands::kVbrQuality, VbrQuality},
    {commands::kThreads,
     [](intptr_t a1, intptr_t, intptr_t) { return Store(State().encoderThreads, a1); }},
    {commands::kJobEventFd, [](intptr_t, intptr_t, intptr_t) { return OpenJobEndSignal(); }},
    {commands::kCloseJobEventFd,
     [](intptr_t a1, intptr_t, intptr_t) { return CloseJobEndSignal(AsNumber(a1)); }},
    {commands::kDefineTempFolder,
     [](intptr_t a1, intptr_t, intptr_t) {
       CopyPathField(State().tempFolder, AsText(a1));
       return int32_t{0};
     }},
};

}  // namespace

std::span<const Command> JobCommands() { return kJobCommands; }

}  // namespace tolvo::engine
