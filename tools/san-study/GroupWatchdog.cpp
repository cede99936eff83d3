#include "GroupWatchdog.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <initializer_list>

namespace {
int watchdogSocket = -1;  // this program's end of the link to the helper

// In the helper: never returns. Plain system calls and a fixed table only,
// since it runs on after a fork.
[[noreturn]] void KeepWatch(int readEnd) {
  setpgid(0, 0);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) signal(sig, SIG_IGN);
  dup2(readEnd, 3);
  // Nothing of this program's stays open here: whoever reads its output
  // sees the end when it ends.
  const int devNull = open("/dev/null", O_RDWR);
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) dup2(devNull, fd);
  close_range(4, ~0u, 0);
  constexpr int kMaxGroups = 4096;
  pid_t groups[kMaxGroups];
  int count = 0;
  std::int32_t message;
  for (;;) {
    const ssize_t n = read(3, &message, sizeof message);
    if (n < 0 && errno == EINTR) continue;
    if (n != sizeof message) break;  // this program has ended
    if (message > 0 && count < kMaxGroups) {
      groups[count++] = message;
    } else if (message < 0) {
      for (int i = 0; i < count; i++)
        if (groups[i] == -message) groups[i--] = groups[--count];
    }
  }
  for (int i = 0; i < count; i++) kill(-groups[i], SIGKILL);
  _exit(0);
}

// Packets of one number each, on a socket pair rather than a pipe, so that
// a vanished helper means a failed send, not a SIGPIPE.
bool StartHelper() {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return false;
  const pid_t pid = fork();
  if (pid == 0) {
    close(ends[1]);
    KeepWatch(ends[0]);
  }
  close(ends[0]);
  if (pid < 0) {
    close(ends[1]);
    return false;
  }
  watchdogSocket = ends[1];
  return true;
}

void Send(std::int32_t message) {
  if (watchdogSocket < 0) return;
  ssize_t sent;
  do sent = send(watchdogSocket, &message, sizeof message, MSG_NOSIGNAL);
  while (sent < 0 && errno == EINTR);
}
}  // namespace

void GroupWatchdog::Watch(pid_t group) {
  if (watchdogSocket < 0 && !StartHelper())
    return;  // no helper: the parent-death signal still applies
  Send(static_cast<std::int32_t>(group));
}

void GroupWatchdog::Forget(pid_t group) { Send(-static_cast<std::int32_t>(group)); }
