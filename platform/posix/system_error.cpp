// strerror behind SystemErrorText.
#include "tolvo/platform/system_error.h"

#include <cctype>
#include <cerrno>
#include <cstring>

namespace tolvo::platform {

const int kErrorNoSuchFile = ENOENT;
const int kErrorIsFolder = EISDIR;
const int kErrorNotFolder = ENOTDIR;
const int kErrorBrokenPipe = EPIPE;
const int kErrorNoPermission = EACCES;

std::string SystemErrorText(int error) {
  char buffer[256];
  // The GNU strerror_r returns its text, which may or may not lie in the buffer.
  std::string text = ::strerror_r(error, buffer, sizeof buffer);
  if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
      std::islower(static_cast<unsigned char>(text[1]))) {
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  }
  return text;
}

}  // namespace tolvo::platform
