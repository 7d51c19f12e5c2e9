// EventDescriptor over eventfd(2).
#include "tolvo/platform/event_descriptor.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

namespace tolvo::platform {
namespace {

constexpr int kFirstFreeDescriptor = 3;  // above standard input, output and error

}  // namespace

EventDescriptor EventDescriptor::Create() {
  int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd >= 0 && fd < kFirstFreeDescriptor) {
    // A process that closed a standard stream gets it back here: move out of the way.
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, kFirstFreeDescriptor);
    ::close(fd);
    fd = moved;
  }
  return EventDescriptor(fd);
}

EventDescriptor::~EventDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

EventDescriptor::EventDescriptor(EventDescriptor&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

EventDescriptor& EventDescriptor::operator=(EventDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void EventDescriptor::Signal() const {
  if (fd_ < 0) return;
  const uint64_t one = 1;
  // A full counter (2^64 - 2 signals unread) is already readable; nothing is lost by failing.
  while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

bool DrainEventDescriptor(int fd) {
  uint64_t count = 0;
  ssize_t got;
  do {
    got = ::read(fd, &count, sizeof count);
  } while (got < 0 && errno == EINTR);
  return got == static_cast<ssize_t>(sizeof count) && count > 0;
}

}  // namespace tolvo::platform
