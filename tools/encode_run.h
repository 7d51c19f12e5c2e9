// One encode through the control: sends the settings, starts MP3Encode, runs the main loop while
// the control reports Progress, turns Ctrl-C into MP3EncodeCancel, and returns how it ended.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "command_line.h"
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

class InterruptWatch;

// `input` and `output` are absolute paths. `onProgress` hears every percentage the control
// reports; `onWarning` hears a problem that does not stop the encode (a refused priority). A
// Ctrl-C cancels the encode: the caller's `interrupt` watch tells of it when given (one that was
// already interrupted cancels at once), else the call watches for the time it runs.
EncodeOutcome EncodeThroughControl(ControlSession& session, const std::string& input,
                                   const std::string& output, const EncodeSettings& settings,
                                   const std::function<void(int percent)>& onProgress,
                                   const std::function<void(const std::string&)>& onWarning = {},
                                   const InterruptWatch* interrupt = nullptr);

// "" when the process runs at the nice value of priority `level`, else a warning that says the
// system refused it and why.
std::string CheckPriorityApplied(int level);

// Checks tolvo makes before the control sees the paths: the output must not be the input under
// another name (the encode would destroy it). Empty when fine, else the message.
std::string CheckDistinctFiles(const std::string& input, const std::string& output);

// Whether something of that name exists now.
bool PathExists(const std::string& path);

// The engine creates the output before it checks the settings, and a failed write leaves a part
// of a stream: after a failed encode, a file that only this encode made is taken away again.
// True when a file was removed.
bool RemoveOutputWeMade(const std::string& output, bool existedBefore);

// The tag fields of the settings as "tag set" reads them.
ParsedArguments TagArguments(const EncodeSettings& settings);

}  // namespace tolvo::tool
