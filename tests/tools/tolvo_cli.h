// Running the built tolvo program from tests: each run gets the test's folder as its current
// folder and a registry file inside it, so the user's registry is never touched.
#pragma once

#include <string>
#include <vector>

#include "test_support.h"

namespace tolvo::test {

struct ToolRun {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Single-quoted for the shell.
std::string ShellQuote(const std::string& text);
std::string TolvoPath();

// Runs "tolvo ARGS..." in `dir` without a display. `wrapper` is put before the program on the
// shell line (for example "setpriv --reuid=65534 ...").
ToolRun RunTolvo(const TempDir& dir, const std::vector<std::string>& arguments,
                 const std::string& wrapper = "");

// Runs a bash line in `dir` in which the word "tolvo" calls the built program (without a
// display, with the test's registry file). Standard output and standard error of the whole line
// are captured; the line may redirect them itself. Every line ends within `seconds`.
ToolRun RunToolShell(const TempDir& dir, const std::string& line, int seconds = 120);

// Decodes an MP3 with mpg123 and returns what it says about the stream ("MPEG 1.0 L III cbr128
// 44100 j-s" and the like), or "" when it cannot decode it.
std::string Mp3StreamInfo(const std::string& mp3Path);

// A WAV of white noise, which takes the encoder far longer than a quiet sine.
void WriteNoiseWav(const std::string& path, int seconds);

}  // namespace tolvo::test
