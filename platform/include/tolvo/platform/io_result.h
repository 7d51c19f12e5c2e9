// What a file-system call answers: its value, or the error that prevented it. The error carries a
// kind, on which callers decide, and the system's error number, which only messages quote.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace tolvo::platform {

enum class IoErrorKind : uint8_t {
  kMissing,      // no such file or folder
  kPermission,   // the caller may not (no permission, not permitted, a read-only file system)
  kCrossDevice,  // a rename between two file systems
  kNoSpace,      // the device is full, or the file size limit is reached
  kBusy,         // another holds it (an advisory lock)
  kOther,
};

struct IoError {
  IoErrorKind kind = IoErrorKind::kOther;
  int number = 0;  // the system's error number, for messages

  // The system's own words for it ("permission denied", "no space left on device", ...).
  std::string Text() const;
};

// An error of the given kind with the number this platform gives it; for layers that stand in
// for the real file system.
IoError ErrorOf(IoErrorKind kind);

// A value or an error. T is default-constructible; a failed result holds T's default.
template <typename T>
class IoResult {
 public:
  IoResult(T value) : value_(std::move(value)) {}            // NOLINT: a value converts implicitly
  IoResult(IoError error) : error_(error), failed_(true) {}  // NOLINT: so does an error

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  // True when the call failed for this reason.
  bool Failed(IoErrorKind kind) const { return failed_ && error_.kind == kind; }

  const T& value() const { return value_; }
  T& value() { return value_; }
  const T& operator*() const { return value_; }
  T& operator*() { return value_; }
  const T* operator->() const { return &value_; }
  T* operator->() { return &value_; }
  const IoError& error() const { return error_; }

 private:
  T value_{};
  IoError error_;
  bool failed_ = false;
};

template <>
class IoResult<void> {
 public:
  IoResult() = default;
  IoResult(IoError error) : error_(error), failed_(true) {}  // NOLINT: an error converts

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  bool Failed(IoErrorKind kind) const { return failed_ && error_.kind == kind; }
  const IoError& error() const { return error_; }

 private:
  IoError error_;
  bool failed_ = false;
};

using IoStatus = IoResult<void>;

}  // namespace tolvo::platform
