// Driving MP3Encode and its events on the GLib main loop.
#include "encode_run.h"

#include <optional>

#include "interrupt_watch.h"
#include "tolvo/control/encoder_tuning.h"
#include "tolvo/control/error_codes.h"
#include "tolvo/platform/file_system.h"
#include "tolvo/platform/process_priority.h"
#include "tolvo/platform/utf16.h"
#include "tolvo/runtime/message_loop.h"

namespace tolvo::tool {
namespace {

// Error numbers whose message is about the output file.
bool ConcernsOutput(int32_t number) {
  return number == control::kErrorOutputEmpty || number == engine::kJobCannotCreateOutput ||
         number == engine::kJobOutputWriteFailed || number == engine::kJobMissingFileName ||
         number == engine::kJobCannotCreateFolder;
}

std::string WithoutTrailingBlanks(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

std::string CheckDistinctFiles(const std::string& input, const std::string& output) {
  platform::FileSystem& files = platform::RealFileSystem();
  if (platform::SameFile(files.Stat(input.c_str()), files.Stat(output.c_str()))) {
    return "The input file is the same as the output";
  }
  return {};
}

std::string CheckPriorityApplied(int level) {
  std::optional<int> wanted = platform::NiceOfPriorityLevel(level);
  if (!wanted) return {};
  for (int nice : platform::ThreadNiceValues()) {
    if (nice == *wanted) continue;
    // Lowering the nice value (raising the priority) needs privilege; the engine cannot say so.
    return "--priority " + std::to_string(level) + " (nice " + std::to_string(*wanted) +
           ") was refused: " + platform::ErrorOf(platform::IoErrorKind::kPermission).Text() +
           " (a higher priority needs root or CAP_SYS_NICE); the encode runs at nice " +
           std::to_string(nice);
  }
  return {};
}

bool PathExists(const std::string& path) {
  return static_cast<bool>(platform::RealFileSystem().Stat(path.c_str()));
}

bool RemoveOutputWeMade(const std::string& output, bool existedBefore) {
  platform::FileSystem& files = platform::RealFileSystem();
  return !existedBefore && platform::IsRegularFile(files.Stat(output.c_str())) &&
         bool(files.Remove(output.c_str()));
}

ParsedArguments TagArguments(const EncodeSettings& settings) {
  ParsedArguments tags;
  tags.values.insert(settings.tags.begin(), settings.tags.end());
  return tags;
}

EncodeOutcome EncodeThroughControl(ControlSession& session, const std::string& input,
                                   const std::string& output, const EncodeSettings& settings,
                                   const std::function<void(int)>& onProgress,
                                   const std::function<void(const std::string&)>& onWarning,
                                   const InterruptWatch* callersInterrupt) {
  control::_TolvoEncode& control = session.control();
  control::TolvoEncodeEvents& events = session.events();
  // The handlers below refer to this call's locals: take them down on every way out.
  struct HandlerReset {
    control::TolvoEncodeEvents& events;
    ~HandlerReset() { events = control::TolvoEncodeEvents{}; }
  } handlerReset{events};
  std::optional<InterruptWatch> ownInterrupt;
  if (!callersInterrupt) ownInterrupt.emplace(nullptr);
  const InterruptWatch& interrupt = callersInterrupt ? *callersInterrupt : *ownInterrupt;
  bool errorHeard = false;
  bool finished = false;
  EncodeOutcome outcome;
  events.onErrorCode = [&](int32_t number, const std::u16string& description) {
    errorHeard = true;
    outcome.errorNumber = number;
    outcome.message = WithoutTrailingBlanks(platform::Utf16ToUtf8(description));
    outcome.concernsOutput = ConcernsOutput(number);
  };
  events.onFinished = [&] { finished = true; };
  bool cancelSent = false;
  bool priorityChecked = settings.priority == 0;
  // The end of a job comes as ErrorCode, Finished, Progress(100): the last says nothing about how
  // much was encoded, and nothing after a cancel does either.
  events.onProgress = [&](int32_t percent) {
    // The job sets the priority as it starts, before its first progress report.
    if (!priorityChecked) {
      priorityChecked = true;
      std::string warning = CheckPriorityApplied(settings.priority);
      if (!warning.empty() && onWarning) onWarning(warning);
    }
    if (onProgress && percent >= 0 && !errorHeard && !cancelSent) onProgress(percent);
  };

  runtime::Variant ignored;
  runtime::HRESULT hr = runtime::S_OK;
  if (settings.priority != 0) hr = control.SelectProcessPriority(settings.priority, &ignored);
  if (runtime::SUCCEEDED(hr) && settings.vbrQuality >= 0) {
    // Beyond MP3Encode's arguments: the control's tuning interface sends it to the engine.
    runtime::ComPtr<control::IEncoderTuning> tuning;
    hr = session.control().QueryInterface(control::IID_IEncoderTuning, tuning.PutVoid());
    if (runtime::SUCCEEDED(hr)) hr = tuning->SetVbrQuality(settings.vbrQuality);
  }
  if (runtime::SUCCEEDED(hr) && settings.threads != 0) {
    runtime::ComPtr<control::IEncoderTuning> tuning;
    hr = session.control().QueryInterface(control::IID_IEncoderTuning, tuning.PutVoid());
    if (runtime::SUCCEEDED(hr)) hr = tuning->SetEncoderThreads(settings.threads);
  }
  if (runtime::SUCCEEDED(hr)) {
    hr = control.MP3Encode(platform::Utf8ToUtf16(input), platform::Utf8ToUtf16(output),
                           settings.bitrate, platform::Utf8ToUtf16(settings.mode),
                           platform::Utf8ToUtf16(settings.quality), settings.vbr ? 1 : 0,
                           settings.vbrMaxBitrate, &ignored);
  }
  if (runtime::FAILED(hr)) {
    outcome.message = FailureText(hr);
    return outcome;
  }
  // A check of the control failed: ErrorCode came inside the call and no job runs.
  if (errorHeard) return outcome;

  while (!finished) {
    runtime::RunLoopUntil([&] { return finished || (interrupt.Interrupted() && !cancelSent); });
    if (interrupt.Interrupted() && !cancelSent) {
      // Returns once the job has stopped; the next tick reports "User abort".
      cancelSent = true;
      control.MP3EncodeCancel(&ignored);
    }
  }
  if (outcome.errorNumber == engine::kJobSucceeded) {
    outcome.kind = EncodeOutcome::Kind::kSucceeded;
  } else if (outcome.errorNumber == engine::kJobCancelled) {
    outcome.kind = EncodeOutcome::Kind::kCancelled;
  }
  return outcome;
}

}  // namespace tolvo::tool
