// strerror behind SystemErrorText, and the one place where error numbers become kinds.
#include "tolvo/platform/system_error.h"

#include <cctype>
#include <cerrno>
#include <cstring>

namespace tolvo::platform {

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

IoError ErrorFromNumber(int number) {
  IoErrorKind kind = IoErrorKind::kOther;
  switch (number) {
    case ENOENT:
      kind = IoErrorKind::kMissing;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
      kind = IoErrorKind::kPermission;
      break;
    case EXDEV:
      kind = IoErrorKind::kCrossDevice;
      break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      kind = IoErrorKind::kNoSpace;
      break;
    case EWOULDBLOCK:
      kind = IoErrorKind::kBusy;
      break;
    default:
      break;
  }
  return IoError{kind, number};
}

IoError ErrorOf(IoErrorKind kind) {
  switch (kind) {
    case IoErrorKind::kMissing:
      return IoError{kind, ENOENT};
    case IoErrorKind::kPermission:
      return IoError{kind, EACCES};
    case IoErrorKind::kCrossDevice:
      return IoError{kind, EXDEV};
    case IoErrorKind::kNoSpace:
      return IoError{kind, ENOSPC};
    case IoErrorKind::kBusy:
      return IoError{kind, EWOULDBLOCK};
    case IoErrorKind::kOther:
      break;
  }
  return IoError{IoErrorKind::kOther, EIO};
}

std::string IoError::Text() const { return SystemErrorText(number); }

}  // namespace tolvo::platform
