// Driving MP3Encode and its events on the GLib main loop.
#include "encode_run.h"

#include <filesystem>

#include "interrupt_watch.h"
#include "tolvo/runtime/message_loop.h"
#include "utf_text.h"
#include "wav_info.h"

namespace tolvo::tool {
namespace {

constexpr int32_t kUserAbort = 112;
constexpr int32_t kInvalidWav = 102;

// Error numbers whose message is about the output file.
bool ConcernsOutput(int32_t number) {
  return number == 4 || number == 104 || number == 107 || number == 110 || number == 111;
}

std::string WithoutTrailingBlanks(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

std::string CheckDistinctFiles(const std::string& input, const std::string& output) {
  std::error_code error;
  if (std::filesystem::equivalent(input, output, error)) {
    return "The input file is the same as the output";
  }
  return {};
}

EncodeOutcome EncodeThroughControl(ControlSession& session, const std::string& input,
                                   const std::string& output, const EncodeSettings& settings,
                                   const std::function<void(int)>& onProgress) {
  control::_TolvoEncode& control = session.control();
  ControlEvents& events = session.events();
  // The handlers below refer to this call's locals: take them down on every way out.
  struct HandlerReset {
    ControlEvents& events;
    ~HandlerReset() { events = ControlEvents{}; }
  } handlerReset{events};
  InterruptWatch interrupt(nullptr);
  bool errorHeard = false;
  bool finished = false;
  EncodeOutcome outcome;
  events.onErrorCode = [&](int32_t number, const std::u16string& description) {
    errorHeard = true;
    outcome.errorNumber = number;
    outcome.message = WithoutTrailingBlanks(Utf16ToUtf8(description));
    if (number == kInvalidWav) {  // the engine has no words for why: tell what the file is
      if (std::string what = DescribeWavFile(input); !what.empty())
        outcome.message += " (" + what + ")";
    }
    outcome.concernsOutput = ConcernsOutput(number);
  };
  events.onFinished = [&] { finished = true; };
  bool cancelSent = false;
  // The end of a job comes as ErrorCode, Finished, Progress(100): the last says nothing about how
  // much was encoded, and nothing after a cancel does either.
  events.onProgress = [&](int32_t percent) {
    if (onProgress && percent >= 0 && !errorHeard && !cancelSent) onProgress(percent);
  };

  runtime::Variant ignored;
  runtime::HRESULT hr = runtime::S_OK;
  if (settings.priority != 0) hr = control.SelectProcessPriority(settings.priority, &ignored);
  if (runtime::SUCCEEDED(hr)) {
    hr = control.MP3Encode(Utf8ToUtf16(input), Utf8ToUtf16(output), settings.bitrate,
                           Utf8ToUtf16(settings.mode), Utf8ToUtf16(settings.quality),
                           settings.vbr ? 1 : 0, settings.vbrMaxBitrate, &ignored);
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
  if (outcome.errorNumber == 0) {
    outcome.kind = EncodeOutcome::Kind::kSucceeded;
  } else if (outcome.errorNumber == kUserAbort) {
    outcome.kind = EncodeOutcome::Kind::kCancelled;
  }
  return outcome;
}

}  // namespace tolvo::tool
