// One encode through the control: sends the settings, starts MP3Encode, runs the main loop while
// the control reports Progress, turns Ctrl-C into MP3EncodeCancel, and returns how it ended.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "control_session.h"
#include "encode_settings.h"

namespace tolvo::tool {

struct EncodeOutcome {
  enum class Kind { kSucceeded, kFailed, kCancelled };
  Kind kind = Kind::kFailed;
  int32_t errorNumber = 0;      // the ErrorCode number; 0 on success
  std::string message;          // the error's text (trailing blanks removed), or a failure text
  bool concernsOutput = false;  // the message is about the output file rather than the input
};

// `input` and `output` are absolute paths. `onProgress` hears every percentage the control
// reports; `onWarning` hears a problem that does not stop the encode (a refused priority).
EncodeOutcome EncodeThroughControl(ControlSession& session, const std::string& input,
                                   const std::string& output, const EncodeSettings& settings,
                                   const std::function<void(int percent)>& onProgress,
                                   const std::function<void(const std::string&)>& onWarning = {});

// "" when the process runs at the nice value of priority `level`, else a warning that says the
// system refused it and why.
std::string CheckPriorityApplied(int level);

// Checks tolvo makes before the control sees the paths: the output must not be the input under
// another name (the encode would destroy it). Empty when fine, else the message.
std::string CheckDistinctFiles(const std::string& input, const std::string& output);

}  // namespace tolvo::tool
