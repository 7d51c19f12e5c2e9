// Running the converter program: its argument vector, the per-process name of the converted copy,
// and RunConverter, which drains the program's output through a pipe and waits for its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvo::engine {

// The program's output is kept for the trace only: appended while fewer than this many characters
// are held, and never again once that many or more are held. The pipe is read to its end anyway.
inline constexpr size_t kConverterOutputKeepLimit = 90000;
inline constexpr size_t kConverterOutputBufferSize = 100000;
// The first read asks for one byte, the later ones for a whole piece.
inline constexpr size_t kConverterFirstReadSize = 1;
inline constexpr size_t kConverterReadSize = 4096;
// Room of the textual command line written to the trace.
inline constexpr size_t kConverterCommandLineSize = 3000;

// The kept output text with its cut rule.
class ConverterOutput {
 public:
  void Append(std::string_view piece);
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// [programFolder + "/snd", "-pcm16", input, output]. No shell runs, so nothing needs quoting.
std::vector<std::string> ConverterArguments(const std::string& programFolder,
                                            const std::string& inputPath,
                                            const std::string& outputPath);

// The quoted command line as the trace shows it, cut to the trace buffer.
std::string ConverterCommandLine(const std::vector<std::string>& arguments);

// The converted copy inside the job's private folder (a folder only this user may enter, named
// after this process): "<privateFolder>/$$$tolvosoftware$$$.wav".
std::string ConvertedCopyPath(const std::string& privateFolder);

// Starts the program, reads its output to the end, waits for it (polling every 50 ms) and returns
// its exit code; 0 when it could not be started or the exit code could not be had.
// keptOutput, when given, receives the kept output text.
int32_t RunConverter(const std::vector<std::string>& arguments, std::string* keptOutput = nullptr);

}  // namespace tolvo::engine
