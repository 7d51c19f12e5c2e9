// The per-thread ControlFolder.
#include "host/control_folder.h"

#include <utility>

namespace tolvo::control {
namespace {
thread_local std::u16string controlFolder;
}  // namespace

const std::u16string& ControlFolder() { return controlFolder; }

void SetControlFolder(std::u16string folderWithSeparator) {
  controlFolder = std::move(folderWithSeparator);
}

}  // namespace tolvo::control
