// Runs the converter program with its output on a pipe: the pipe is drained to its end (so the
// program never blocks on a full pipe), the exit is polled, and every handle is closed on every
// path.
#include "lame/converter_runner.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <thread>

#include "core/trace.h"
#include "tolvo/platform/child_process.h"
#include "tolvo/system_files.h"

namespace tolvo::engine {
namespace {

constexpr auto kExitPollInterval = std::chrono::milliseconds(50);

}  // namespace

void ConverterOutput::Append(std::string_view piece) {
  if (text_.size() >= kConverterOutputKeepLimit) return;
  // Pieces are at most one read long, so the kept text always fits the output buffer.
  text_.append(piece.substr(0, kConverterOutputBufferSize - 1 - text_.size()));
}

std::vector<std::string> ConverterArguments(const std::string& programFolder,
                                            const std::string& inputPath,
                                            const std::string& outputPath) {
  return {programFolder + "/" + kConverterProgramName, "-pcm16", inputPath, outputPath};
}

std::string ConverterCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) line += ' ';
    // The flag stands bare; the paths are quoted.
    if (i == 1)
      line += arguments[i];
    else
      line += '"' + arguments[i] + '"';
  }
  if (line.size() >= kConverterCommandLineSize) line.resize(kConverterCommandLineSize - 1);
  return line;
}

std::string ConvertedCopyPath(const std::string& privateFolder) {
  return privateFolder + "/" + kConvertedCopyPrefix + ".wav";
}

int32_t RunConverter(const std::vector<std::string>& arguments, std::string* keptOutput) {
  if (keptOutput) keptOutput->clear();
  Trace("running %s\n", ConverterCommandLine(arguments).c_str());
  int error = 0;
  platform::ChildProcess child = platform::ChildProcess::Start(arguments, &error);
  if (!child.IsStarted()) {
    Trace("cannot start the converter (errno %d)\n", error);
    return 0;
  }

  ConverterOutput output;
  std::array<char, kConverterReadSize + 1> piece;
  size_t ask = kConverterFirstReadSize;
  for (;;) {
    piece.fill('\0');
    int64_t n = child.ReadOutput(piece.data(), ask);
    if (n <= 0) break;  // the end of the pipe, or a failed read
    output.Append(std::string_view(piece.data(), static_cast<size_t>(n)));
    ask = kConverterReadSize;
  }
  child.CloseOutput();
  Trace("%s\n", output.text().c_str());
  if (keptOutput) *keptOutput = output.text();

  int32_t exitCode = 0;
  for (;;) {
    platform::ExitPoll poll = child.PollExit(&exitCode);
    if (poll == platform::ExitPoll::kExited) return exitCode;
    if (poll == platform::ExitPoll::kFailed) return 0;
    std::this_thread::sleep_for(kExitPollInterval);
  }
}

}  // namespace tolvo::engine
