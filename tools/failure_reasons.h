// What went wrong with a file, in the user's words and with the system's reason. The control
// reports an encode failure by number; tolvo then looks at the files itself (through the platform
// layer) to say why: "cannot create the output file: permission denied".
#pragma once

#include <cstdint>
#include <string>

namespace tolvo::tool {

// The system's reason why `path` cannot be opened for reading (or reading and writing), e.g.
// "permission denied"; "" when it opens.
std::string FileAccessProblem(const std::string& path, bool forWriting);

// Whether `path` names a pipe, a device or a socket: never handed to the engine, which would
// wait on it or refuse it.
bool IsSpecialFile(const std::string& path);

// Why the input cannot be read ("cannot open the input file: permission denied", "is a
// directory", …); "" when it opens as a regular file.
std::string InputProblem(const std::string& path);

// Why an MP3 cannot be created or written at `path` ("is a directory", "cannot create the folder
// DIR: permission denied", …); "" when nothing is in the way. Folder names are shown as
// `shownPath` spells them.
std::string OutputProblem(const std::string& path, const std::string& shownPath);

// Why a file cannot be made at `path`, whether or not one is there now: the folders above it and
// a trial file beside it ("cannot create the registry file: permission denied"); "" when one can.
std::string CreationProblem(const std::string& path, const std::string& shownPath,
                            const std::string& noun);

// Why writing into the output's folder fails now ("no space left on device", "file too large"),
// found by a short trial write; "" when the trial succeeds.
std::string WriteProblem(const std::string& path);

// Why the file is not a WAV the encoder reads, in the words of the shared WAV chunk walk ("not a
// WAV file: starts with 'ID3'", "cannot encode this file: …").
std::string WavProblem(const std::string& path);

// The message of a failed encode after the control's ErrorCode `number` (its text `controlText`):
// the file it concerns as shown, what failed and why. `verbose` adds the control's own words.
struct EncodeFailureFacts {
  int32_t number = 0;
  std::string controlText;
  std::string input, output;          // as shown to the user
  std::string inputPath, outputPath;  // as given to the control
};
std::string DescribeEncodeFailure(const EncodeFailureFacts& facts, bool verbose);

}  // namespace tolvo::tool
