// The commands of the tolvo program. Each takes the arguments after its name and returns the
// program's exit status (tool_status.h); messages go to standard error as one line each.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "encode_settings.h"

namespace tolvo::tool {

using Arguments = std::span<const std::string>;

struct BatchOptions {
  int jobs = 0;  // files (worker processes) at a time; 0: one per core
  bool quiet = false;
  bool verbose = false;
};

int RunEncodeCommand(Arguments arguments);
// `inputs` are WAV files and folders (their .wav files; every level below with
// settings.recursive).
int RunBatch(const std::vector<std::string>& inputs, const std::string& outDir,
             const BatchOptions& options, const EncodeSettings& settings);
// Hidden: encodes the files a batch runner sends on standard input, reporting on standard output.
int RunEncodeWorker(Arguments arguments);
int RunTagCommand(Arguments arguments);
int RunGenresCommand(Arguments arguments);
int RunAboutCommand(Arguments arguments);
int RunRegisterCommand(Arguments arguments, bool unregister);

// "tolvo: <message>" on standard error; returns `status`.
int ReportError(int status, const std::string& message);
// "tolvo <command>: <message>" and a hint at the command's --help; returns the usage status.
int ReportUsage(const std::string& command, const std::string& message);

// The path made absolute against the current folder (the control takes absolute paths only).
std::string AbsolutePath(const std::string& path);

// The name of the hidden worker command.
inline constexpr const char* kWorkerCommand = "__encode-worker";

}  // namespace tolvo::tool
