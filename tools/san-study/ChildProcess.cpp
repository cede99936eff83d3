#include "ChildProcess.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

#include "GroupWatchdog.h"

namespace {
void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

void WriteText(int fd, const std::string& text) {
  ssize_t ignored = write(fd, text.data(), text.size());
  (void)ignored;
}

// In the forked child: never returns.
[[noreturn]] void ExecChild(const std::vector<std::string>& argv, const std::string& directory,
                            pid_t parent, int outFd, int errFd) {
  setpgid(0, 0);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);  // the parent died before the line above
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGCHLD}) signal(sig, SIG_DFL);
  const int devNull = open("/dev/null", O_RDONLY);
  dup2(devNull, STDIN_FILENO);
  dup2(outFd, STDOUT_FILENO);
  dup2(errFd, STDERR_FILENO);
  close_range(3, ~0u, 0);
  if (!directory.empty() && chdir(directory.c_str()) != 0) {
    WriteText(STDERR_FILENO, "cannot enter " + directory + ": " + std::strerror(errno) + "\n");
    _exit(127);
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  WriteText(STDERR_FILENO, "cannot execute " + argv[0] + ": " + std::strerror(errno) + "\n");
  _exit(127);
}
}  // namespace

ChildProcess::~ChildProcess() {
  if (Running()) {
    Signal(SIGKILL);
    CollectEnd();
  }
  CloseStdout();
  CloseStderr();
}

bool ChildProcess::Start(const std::vector<std::string>& argv, std::string& error,
                         const std::string& workingDirectory) {
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  if (pipe2(err, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    close(out[0]);
    close(out[1]);
    return false;
  }
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) ExecChild(argv, workingDirectory, parent, out[1], err[1]);
  close(out[1]);
  close(err[1]);
  if (pid < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    close(out[0]);
    close(err[0]);
    return false;
  }
  setpgid(pid, pid);  // also here, so that signals to the group work at once
  GroupWatchdog::Watch(pid);
  pid_ = pid;
  stdout_ = out[0];
  stderr_ = err[0];
  return true;
}

void ChildProcess::CloseStdout() { CloseFd(stdout_); }
void ChildProcess::CloseStderr() { CloseFd(stderr_); }

void ChildProcess::Signal(int signal) {
  if (!Running()) return;
  if (kill(-pid_, signal) != 0) kill(pid_, signal);
}

bool ChildProcess::Reap() {
  if (!Started()) return false;
  if (ended_) return true;
  // Looked at without collecting it, so that the child's number (which is
  // its group's) cannot be reused before the group is killed.
  siginfo_t info{};
  int r;
  do r = waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
  while (r < 0 && errno == EINTR);
  if (r < 0 && errno == ECHILD)
    ended_ = true;
  else if (r == 0 && info.si_pid == pid_)
    CollectEnd();
  return ended_;
}

// The child has ended or been sent SIGKILL. Whatever it started in its
// group (a wrapper script's simulator, say) goes with it: nothing that
// belonged to the child is left running once it counts as ended.
void ChildProcess::CollectEnd() {
  kill(-pid_, SIGKILL);
  pid_t r;
  do r = waitpid(pid_, &status_, 0);
  while (r < 0 && errno == EINTR);
  GroupWatchdog::Forget(pid_);
  ended_ = true;
}

bool ChildProcess::WaitFor(double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!Reap()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      Signal(SIGKILL);
      CollectEnd();
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

bool ChildProcess::ExitedCleanly() const {
  return ended_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
}

std::string ChildProcess::EndDescription() const {
  if (!ended_) return "is still running";
  if (WIFEXITED(status_)) return "exited with status " + std::to_string(WEXITSTATUS(status_));
  if (WIFSIGNALED(status_)) {
    const int sig = WTERMSIG(status_);
    return "was killed by signal " + std::to_string(sig) + " (" + strsignal(sig) + ")";
  }
  return "ended with wait status " + std::to_string(status_);
}

void OutputTail::Append(const char* data, std::size_t size) {
  text_.append(data, size);
  if (text_.size() > limit_) text_.erase(0, text_.size() - limit_);
}

std::string OutputTail::LineWith(const std::string& text) const {
  const std::size_t at = text_.rfind(text);
  if (at == std::string::npos) return "";
  const std::size_t begin = text_.rfind('\n', at);
  const std::size_t end = text_.find('\n', at);
  const std::size_t from = begin == std::string::npos ? 0 : begin + 1;
  return text_.substr(from, (end == std::string::npos ? text_.size() : end) - from);
}

std::string OutputTail::LastLines(int lines) const {
  std::size_t end = text_.size();
  while (end > 0 && text_[end - 1] == '\n') end--;
  std::size_t begin = end;
  int found = 0;
  while (begin > 0 && !(text_[begin - 1] == '\n' && ++found == lines)) begin--;
  return text_.substr(begin, end - begin);
}

bool ReadAvailable(int fd, std::string& out, std::size_t maxBytes) {
  char buffer[65536];
  for (std::size_t total = 0; total < maxBytes;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      out.append(buffer, static_cast<std::size_t>(n));
      total += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK;
  }
  return true;
}
