// tolvo, the command-line host of the TolvoEncode control: encodes WAV files to MP3 with a
// progress display and edits ID3 tags, all through the control's methods and events.
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "help_texts.h"
#include "tolvo/platform/system_error.h"
#include "tolvo/platform/terminal.h"
#include "tool_status.h"

namespace {

using namespace tolvo::tool;

constexpr size_t kOutputBufferSize = 64 * 1024;

int RunCommand(const std::string& command, Arguments rest) {
  if (command == "encode") return RunEncodeCommand(rest);
  if (command == kWorkerCommand) return RunEncodeWorker(rest);
  if (command == "tag") return RunTagCommand(rest);
  if (command == "genres") return RunGenresCommand(rest);
  if (command == "about") return RunAboutCommand(rest);
  if (command == "register") return RunRegisterCommand(rest, false);
  if (command == "unregister") return RunRegisterCommand(rest, true);
  std::cerr << "tolvo: unknown command '" << command << "'\nTry 'tolvo --help'." << std::endl;
  return kExitUsage;
}

// "tolvo help", "tolvo help encode", "tolvo help tag set".
int RunHelp(Arguments topic) {
  std::string name;
  for (const std::string& word : topic) name += (name.empty() ? "" : " ") + word;
  const char* text = HelpFor(name);
  if (!text) {
    std::cerr << "tolvo: no help for '" << name << "'\nTry 'tolvo --help'." << std::endl;
    return kExitUsage;
  }
  std::cout << text;
  return kExitSuccess;
}

// Data on standard output that never arrived is a failure: a full disk, a closed pipe.
int CheckStandardOutput(int status) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout.good()) return status;
  std::cerr << "tolvo: writing standard output failed"
            << (errno != 0 ? ": " + tolvo::platform::SystemErrorText(errno) : std::string())
            << std::endl;
  return status == kExitSuccess ? kExitFailure : status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  // Data for a file or a pipe is written in large blocks, so that a failed write is still known
  // (with its reason) when the output is flushed at the end.
  if (!tolvo::platform::IsTerminal(tolvo::platform::StandardStream::kOutput)) {
    std::setvbuf(stdout, nullptr, _IOFBF, kOutputBufferSize);
  }
  // -q and -v before the command hold for the command: they go to it as its own options.
  std::vector<std::string> global;
  while (!arguments.empty() && (arguments[0] == "-q" || arguments[0] == "--quiet" ||
                                arguments[0] == "-v" || arguments[0] == "--verbose")) {
    global.push_back(arguments[0]);
    arguments.erase(arguments.begin());
  }
  if (arguments.empty()) {
    std::cerr << kMainHelp;
    return kExitUsage;
  }
  const std::string command = arguments[0];
  std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  // "tag" takes its action first.
  size_t at = command == "tag" && !rest.empty() ? 1 : 0;
  rest.insert(rest.begin() + static_cast<std::ptrdiff_t>(at), global.begin(), global.end());

  int status;
  if (command == "--help" || command == "-h") {
    std::cout << kMainHelp;
    status = kExitSuccess;
  } else if (command == "help") {
    status = RunHelp(Arguments(arguments).subspan(1));
  } else if (command == "--version") {
    std::cout << "tolvo " << kToolVersion << std::endl;
    status = kExitSuccess;
  } else {
    status = RunCommand(command, rest);
  }
  return CheckStandardOutput(status);
}
