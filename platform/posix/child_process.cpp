// POSIX implementation of helper-program start-up: posix_spawn with standard output (and standard
// error when asked) on a pipe, standard input from /dev/null or a second pipe, and non-blocking
// exit queries with waitpid.
#include "tolvo/platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

extern char** environ;

namespace tolvo::platform {
namespace {

// A descriptor closed on scope exit unless released.
class OwnedFd {
 public:
  explicit OwnedFd(int fd = -1) : fd_(fd) {}
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;
  ~OwnedFd() { Reset(); }
  int get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// Keeps a pipe end away from 0, 1 and 2, where the child's dup2 onto itself would not clear
// close-on-exec and the standard descriptors would be confused with the pipe.
bool MoveAboveStandardDescriptors(OwnedFd& fd) {
  if (fd.get() > 2) return true;
  int moved = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, 3);
  if (moved < 0) return false;
  fd.Reset(moved);
  return true;
}

// A close-on-exec pipe whose ends both lie above the standard descriptors; false with errno set.
bool OpenPipe(OwnedFd& readEnd, OwnedFd& writeEnd) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return false;
  readEnd.Reset(ends[0]);
  writeEnd.Reset(ends[1]);
  return MoveAboveStandardDescriptors(readEnd) && MoveAboveStandardDescriptors(writeEnd);
}

class SpawnActions {
 public:
  SpawnActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnActions() {
    if (ok_) ::posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  // `inputFd` is the read end of the input pipe, or -1 for /dev/null.
  bool Prepare(int inputFd, int writeFd, ChildErrors errors) {
    return ok_ &&
           (inputFd >= 0 ? ::posix_spawn_file_actions_adddup2(&actions_, inputFd, 0) == 0
                         : ::posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY,
                                                              0) == 0) &&
           ::posix_spawn_file_actions_adddup2(&actions_, writeFd, 1) == 0 &&
           (errors == ChildErrors::kInherited ||
            ::posix_spawn_file_actions_adddup2(&actions_, writeFd, 2) == 0);
  }
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
  bool ok_ = false;
};

class SpawnAttributes {
 public:
  SpawnAttributes() { ok_ = ::posix_spawnattr_init(&attributes_) == 0; }
  ~SpawnAttributes() {
    if (ok_) ::posix_spawnattr_destroy(&attributes_);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  // The program starts with no blocked signals and SIGPIPE at its default, whatever the host
  // process has set up for itself.
  bool Prepare() {
    sigset_t none, pipeOnly;
    sigemptyset(&none);
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    return ok_ && ::posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
           ::posix_spawnattr_setsigdefault(&attributes_, &pipeOnly) == 0 &&
           ::posix_spawnattr_setflags(&attributes_,
                                      POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
  }
  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
  bool ok_ = false;
};

// A process descriptor of a child (readable once it has ended), or -1 on kernels without one.
int OpenExitDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
  // Opened close-on-exec; the child is not reaped before this, so its pid cannot be reused yet.
  const long fd = ::syscall(SYS_pidfd_open, pid, 0);
  return fd < 0 ? -1 : static_cast<int>(fd);
#else
  (void)pid;
  return -1;
#endif
}

}  // namespace

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      readFd_(std::exchange(other.readFd_, -1)),
      inputFd_(std::exchange(other.inputFd_, -1)),
      exitFd_(std::exchange(other.exitFd_, -1)),
      reaped_(std::exchange(other.reaped_, false)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    CloseOutput();
    CloseInput();
    Reap();
    pid_ = std::exchange(other.pid_, -1);
    readFd_ = std::exchange(other.readFd_, -1);
    inputFd_ = std::exchange(other.inputFd_, -1);
    exitFd_ = std::exchange(other.exitFd_, -1);
    reaped_ = std::exchange(other.reaped_, false);
  }
  return *this;
}

ChildProcess::~ChildProcess() {
  CloseOutput();
  CloseInput();
  Reap();
}

ChildProcess ChildProcess::Start(const std::vector<std::string>& arguments, int* error,
                                 ChildErrors errors, ChildInput input) {
  auto fail = [error](int code) {
    if (error) *error = code;
    return ChildProcess();
  };
  if (arguments.empty()) return fail(EINVAL);

  OwnedFd readEnd, writeEnd;
  if (!OpenPipe(readEnd, writeEnd)) return fail(errno);
  // Both input ends are close-on-exec too: the child's dup2 onto 0 makes its own copy, and no
  // later child inherits the write end (a copy elsewhere would keep the pipe from ever ending).
  OwnedFd inputRead, inputWrite;
  if (input == ChildInput::kPipe && !OpenPipe(inputRead, inputWrite)) return fail(errno);

  SpawnActions actions;
  SpawnAttributes attributes;
  if (!actions.Prepare(inputRead.get(), writeEnd.get(), errors) || !attributes.Prepare()) {
    return fail(ENOMEM);
  }

  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  pid_t pid = -1;
  int rc = ::posix_spawn(&pid, argv[0], actions.get(), attributes.get(), argv.data(), environ);
  if (rc != 0) return fail(rc);

  // The child holds its own copies of the write end; ours must go so the pipe can end.
  writeEnd.Reset();
  inputRead.Reset();
  ChildProcess child;
  child.pid_ = pid;
  child.readFd_ = readEnd.Release();
  child.inputFd_ = inputWrite.Release();
  child.exitFd_ = OpenExitDescriptor(pid);
  if (error) *error = 0;
  return child;
}

int64_t ChildProcess::ReadOutput(void* buffer, size_t count) {
  if (readFd_ < 0) return -EBADF;
  for (;;) {
    ssize_t n = ::read(readFd_, buffer, count);
    if (n >= 0) return n;
    if (errno != EINTR) return -errno;
  }
}

void ChildProcess::CloseOutput() {
  if (readFd_ >= 0) ::close(readFd_);
  readFd_ = -1;
}

bool ChildProcess::WriteInput(const void* bytes, size_t count) {
  const char* next = static_cast<const char*>(bytes);
  while (count > 0) {
    if (inputFd_ < 0) return false;
    const ssize_t n = ::write(inputFd_, next, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    next += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

void ChildProcess::CloseInput() {
  if (inputFd_ >= 0) ::close(inputFd_);
  inputFd_ = -1;
}

ExitPoll ChildProcess::PollExit(int32_t* exitCode) {
  if (pid_ <= 0 || reaped_) return ExitPoll::kFailed;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid_, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return ExitPoll::kRunning;
  reaped_ = true;  // reaped now, or it can never be (no such child)
  if (r < 0) return ExitPoll::kFailed;
  if (WIFEXITED(status)) {
    *exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    *exitCode = 128 + WTERMSIG(status);
  } else {
    return ExitPoll::kFailed;
  }
  return ExitPoll::kExited;
}

bool ChildProcess::Interrupt() { return pid_ > 0 && !reaped_ && ::kill(pid_, SIGINT) == 0; }

void ChildProcess::Reap() {
  if (pid_ > 0 && !reaped_) {
    int status;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (exitFd_ >= 0) ::close(exitFd_);
  exitFd_ = -1;
  pid_ = -1;
  reaped_ = false;
}

int32_t CurrentProcessId() { return static_cast<int32_t>(::getpid()); }

}  // namespace tolvo::platform
