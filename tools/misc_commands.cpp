// "tolvo about", "tolvo register" and "tolvo unregister".
#include <iostream>

#include "command_line.h"
#include "commands.h"
#include "control_session.h"
#include "failure_reasons.h"
#include "help_texts.h"
#include "tolvo/runtime/create_object.h"
#include "tolvo/runtime/registry.h"
#include "tolvo/system_files.h"
#include "tool_status.h"

namespace tolvo::tool {
namespace {

// Parses a command that takes no arguments; nullopt when it ran (help) or failed.
std::optional<int> NoArgumentsOrExit(const std::string& command, Arguments arguments,
                                     const char* help) {
  std::string error;
  std::optional<ParsedArguments> parsed = ParseArguments(arguments, {}, &error);
  if (!parsed) return ReportUsage(command, error);
  if (parsed->help) {
    std::cout << help;
    return kExitSuccess;
  }
  if (!parsed->positionals.empty()) return ReportUsage(command, "takes no arguments");
  return std::nullopt;
}

}  // namespace

int RunAboutCommand(Arguments arguments) {
  if (std::optional<int> status = NoArgumentsOrExit("about", arguments, kAboutHelp)) return *status;
  std::string error;
  std::unique_ptr<ControlSession> session = ControlSession::Open(&error);
  if (!session) return ReportError(kExitFailure, error);
  runtime::Variant ignored;
  if (runtime::HRESULT hr = session->control().About(&ignored); runtime::FAILED(hr)) {
    return ReportError(kExitFailure, FailureText(hr));
  }
  return kExitSuccess;
}

int RunRegisterCommand(Arguments arguments, bool unregister) {
  const char* command = unregister ? "unregister" : "register";
  if (std::optional<int> status =
          NoArgumentsOrExit(command, arguments, unregister ? kUnregisterHelp : kRegisterHelp)) {
    return *status;
  }
  std::string server = ControlLibraryBesideTool();
  if (server.empty()) {
    return ReportError(kExitFailure,
                       std::string(kControlLibraryName) + " is not installed beside tolvo");
  }
  runtime::HRESULT hr =
      unregister ? runtime::UnregisterServer(server) : runtime::RegisterServer(server);
  if (runtime::FAILED(hr)) {
    // The runtime only says that it failed; the registry file's folder says why.
    std::string registry = runtime::RegistryFilePath();
    std::string reason = CreationProblem(registry, registry, "registry file");
    if (!reason.empty()) return ReportError(kExitFailure, registry + ": " + reason);
    return ReportError(kExitFailure, server + ": " + FailureText(hr));
  }
  std::cout << (unregister ? "unregistered " : "registered ") << control::kTolvoEncodeProgId << " ("
            << server << ") in " << runtime::RegistryFilePath() << std::endl;
  return kExitSuccess;
}

}  // namespace tolvo::tool
