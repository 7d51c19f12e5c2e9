// The failing file layer for tests: counts calls, fails the chosen one or fills the disk.
#include "faulty_file_system.h"

namespace tolvo::test {

using platform::IoError;
using platform::IoErrorKind;
using platform::IoResult;

void FaultyFileSystem::FailCall(int n, IoErrorKind kind) {
  Reset();
  failAtCall_ = n;
  failKind_ = kind;
}

void FaultyFileSystem::FillDiskAtWrite(int n) {
  Reset();
  fullAtWrite_ = n;
}

void FaultyFileSystem::Reset() {
  calls_ = writes_ = failAtCall_ = fullAtWrite_ = 0;
  failedCall_.clear();
  failKind_ = IoErrorKind::kOther;
  triggered_ = false;
}

std::optional<IoError> FaultyFileSystem::Before(const char* call) {
  ++calls_;
  if (failAtCall_ == 0 || calls_ != failAtCall_) return std::nullopt;
  triggered_ = true;
  failedCall_ = call;
  return platform::ErrorOf(failKind_);
}

IoResult<size_t> FaultyFileSystem::Write(int fd, const void* buffer, size_t count) {
  if (std::optional<IoError> error = Before("Write")) return *error;
  ++writes_;
  const IoError full = platform::ErrorOf(IoErrorKind::kNoSpace);
  if (fullAtWrite_ != 0 && writes_ > fullAtWrite_) return full;
  if (fullAtWrite_ != 0 && writes_ == fullAtWrite_) {
    triggered_ = true;
    const size_t half = count / 2;
    if (half == 0) return full;
    return inner().Write(fd, buffer, half);
  }
  return inner().Write(fd, buffer, count);
}

}  // namespace tolvo::test
