// Messages and path helpers shared by the commands.
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "tool_status.h"

namespace tolvo::tool {

int ReportError(int status, const std::string& message) {
  std::cerr << "tolvo: " << message << std::endl;
  return status;
}

int ReportUsage(const std::string& command, const std::string& message) {
  std::cerr << "tolvo " << command << ": " << message << "\n"
            << "Try 'tolvo " << command << " --help'." << std::endl;
  return kExitUsage;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.string();
}

}  // namespace tolvo::tool
