// Opening an address with the desktop's handler: xdg-open, started detached in its own session so
// that it outlives us and is never our zombie. TOLVO_SHELL_OPEN_RECORD redirects it into a file.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "tolvo/platform/about_box.h"

extern char** environ;

namespace tolvo::platform {
namespace {

void AppendLine(const char* path, const std::string& target) {
  const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const std::string line = target + "\n";
  // One write with O_APPEND, so lines from several processes do not interleave.
  while (::write(fd, line.data(), line.size()) < 0 && errno == EINTR) {
  }
  ::close(fd);
}

// A short-lived shell puts xdg-open in the background and ends at once; we reap the shell, and
// the orphaned xdg-open is reaped by the system. The target travels as "$1", never as code.
void StartDetached(const std::string& target) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return;
  }
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);

  const char* const argv[] = {"/bin/sh", "-c", "xdg-open \"$1\" &", "sh", target.c_str(), nullptr};
  pid_t pid = -1;
  const int failed = ::posix_spawn(&pid, "/bin/sh", &actions, &attributes,
                                   const_cast<char* const*>(argv), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return;  // the outcome is ignored, like a failed shell call
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

void ShellOpen(const std::string& target) {
  const char* record = std::getenv("TOLVO_SHELL_OPEN_RECORD");
  if (record && *record) {
    AppendLine(record, target);
    return;
  }
  StartDetached(target);
}

}  // namespace tolvo::platform
