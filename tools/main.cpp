// tolvo, the command-line host of the TolvoEncode control: encodes WAV files to MP3 with a
// progress display and edits ID3 tags, all through the control's methods and events.
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "help_texts.h"
#include "tool_status.h"

int main(int argc, char** argv) {
  using namespace tolvo::tool;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.empty()) {
    std::cerr << kMainHelp;
    return kExitUsage;
  }
  const std::string command = arguments[0];
  Arguments rest = Arguments(arguments).subspan(1);
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kMainHelp;
    return kExitSuccess;
  }
  if (command == "--version") {
    std::cout << "tolvo " << kToolVersion << std::endl;
    return kExitSuccess;
  }
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
