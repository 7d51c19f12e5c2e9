// A descriptor that one thread signals and another thread's loop watches: it becomes readable
// when signalled and stays readable until drained (a Linux eventfd).
#pragma once

namespace tolvo::platform {

class EventDescriptor {
 public:
  // A new descriptor, close-on-exec and non-blocking, numbered above the three standard streams
  // (so that 0, 1 and 2 can always mean "none"); IsValid() is false when none could be made.
  static EventDescriptor Create();

  EventDescriptor() = default;
  ~EventDescriptor();
  EventDescriptor(EventDescriptor&& other) noexcept;
  EventDescriptor& operator=(EventDescriptor&& other) noexcept;
  EventDescriptor(const EventDescriptor&) = delete;
  EventDescriptor& operator=(const EventDescriptor&) = delete;

  bool IsValid() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  // Makes the descriptor readable; safe from any thread, never blocks.
  void Signal() const;

 private:
  explicit EventDescriptor(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// Reads away the signals of an event descriptor without blocking: true when it had been
// signalled since the last drain.
bool DrainEventDescriptor(int fd);

}  // namespace tolvo::platform
