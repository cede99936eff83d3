#ifndef MB_TEST_SIMULATOR_PROCESS_H
#define MB_TEST_SIMULATOR_PROCESS_H

// A movingblock-sim process that a test starts and talks to while it runs,
// and a manager connection to it on the loopback interface. Every wait is
// bounded; the destructors kill and reap what is still running.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Executive/CorvaxSocket.h"
#include "support/ResultReaders.h"

class SimulatorProcess {
 public:
  // Starts the simulator in `dir` with its output in stdout.txt and
  // stderr.txt there, in an environment of its own (only PATH), so that
  // nothing the test runner inherited changes the run.
  SimulatorProcess(const std::string& dir, const std::vector<std::string>& arguments) : dir_(dir) {
    std::vector<std::string> argv{MB_BINARY_DIR "/movingblock-sim"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    // Output of an earlier process in this folder must not be taken for this one's.
    ::unlink((dir + "/stdout.txt").c_str());
    ::unlink((dir + "/stderr.txt").c_str());
    pid_ = ::fork();
    if (pid_ != 0) return;
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    const int out = ::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    char path[] = "PATH=/usr/bin:/bin";
    char* environment[] = {path, nullptr};
    ::execve(args[0], args.data(), environment);
    ::_exit(127);
  }
  ~SimulatorProcess() {
    if (Running()) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  std::string Out() const { return results::readFile(dir_ + "/stdout.txt"); }
  std::string Err() const { return results::readFile(dir_ + "/stderr.txt"); }
  bool Running() const { return pid_ > 0 && status_ < 0; }
  void Signal(int number) {
    if (Running()) ::kill(pid_, number);
  }

  // Waits at most `seconds` for `condition` to hold; false when it does not.
  template <class Condition>
  static bool Eventually(Condition condition, double seconds = 20) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  // The port of the "REGISTER:  Port: [" line, -1 when none came in time.
  int Port() {
    const std::string marker = "REGISTER:  Port: [";
    if (!Eventually([&] { return Out().find("]\n", Out().find(marker)) != std::string::npos; }))
      return -1;
    const std::string out = Out();
    return std::stoi(out.substr(out.find(marker) + marker.size()));
  }

  // Waits at most `seconds` for the end: the exit status, 128 + the signal
  // that killed it, or -1 when it is still running.
  int Wait(double seconds) {
    Eventually(
        [&] {
          int raw = 0;
          if (status_ < 0 && ::waitpid(pid_, &raw, WNOHANG) == pid_)
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
          return status_ >= 0;
        },
        seconds);
    return status_;
  }

 private:
  std::string dir_;
  pid_t pid_ = -1;
  int status_ = -1;
};

// The manager's end of the link: connected (the simulator announces its port
// before it listens, so connecting is retried), receives bounded to 5 s.
inline std::unique_ptr<CorvaxSocket> ConnectManager(int port) {
  std::unique_ptr<CorvaxSocket> manager;
  testing::internal::CaptureStderr();  // refused attempts report themselves
  for (int attempt = 0; attempt < 200 && !manager; attempt++) {
    manager = std::make_unique<CorvaxSocket>();
    if (!manager->Connect("127.0.0.1", port)) manager.reset(), ::usleep(20000);
  }
  testing::internal::GetCapturedStderr();
  if (manager) {
    const timeval limit{5, 0};
    ::setsockopt(manager->Handle(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  return manager;
}

// Up to `size` bytes, waiting at most `seconds` in all; fewer when the
// simulator closes the connection.
inline std::string ReceiveBytes(CorvaxSocket& socket, size_t size, double seconds = 10) {
  std::string bytes;
  char buffer[4096];
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (bytes.size() < size && std::chrono::steady_clock::now() < end) {
    if (!socket.Select(100)) continue;
    const int got =
        socket.Recv(buffer, static_cast<int>(std::min(size - bytes.size(), sizeof buffer)));
    if (got <= 0) break;
    bytes.append(buffer, got);
  }
  return bytes;
}

#endif
