// Messages and path helpers shared by the commands.
#include <iostream>

#include "commands.h"
#include "tolvo/platform/folder_tree.h"
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
  std::string absolute = platform::AbsolutePath(path);
  return absolute.empty() ? path : absolute;
}

}  // namespace tolvo::tool
