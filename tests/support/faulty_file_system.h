// A file layer for tests that fails on purpose: it passes every call to another file system (the
// real one unless given) and counts them, and can make its Nth call fail or fill the disk at its
// Nth write, so a test can walk through every failure point of an operation.
#pragma once

#include <optional>
#include <string>

#include "tolvo/platform/forwarding_file_system.h"

namespace tolvo::test {

class FaultyFileSystem final : public platform::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;

  // The nth call (1-based, counting calls of every kind) fails with an error of that kind and
  // does nothing, except a failing Close, which still closes (as the system's close does).
  void FailCall(int n, platform::IoErrorKind kind = platform::IoErrorKind::kOther);
  // The nth Write writes only half of its bytes; every later Write fails for want of space.
  void FillDiskAtWrite(int n);
  // Back to a faithful pass-through; the counters restart.
  void Reset();

  int calls() const { return calls_; }
  int writes() const { return writes_; }
  // The planned fault has happened.
  bool triggered() const { return triggered_; }
  // The name of the call that FailCall made fail ("Stat", "SyncFolder", ...); empty before.
  const std::string& failedCall() const { return failedCall_; }

  platform::IoResult<size_t> Write(int fd, const void* buffer, size_t count) override;

 protected:
  std::optional<platform::IoError> Before(const char* call) override;

 private:
  int calls_ = 0;
  int writes_ = 0;
  int failAtCall_ = 0;
  platform::IoErrorKind failKind_ = platform::IoErrorKind::kOther;
  int fullAtWrite_ = 0;
  bool triggered_ = false;
  std::string failedCall_;
};

}  // namespace tolvo::test
