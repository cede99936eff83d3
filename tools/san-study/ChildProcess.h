#ifndef SAN_STUDY_CHILD_PROCESS_H
#define SAN_STUDY_CHILD_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

// A child process with its standard output and error on non-blocking pipes
// and its standard input on /dev/null. It runs in a process group of its
// own (so that a Ctrl-C at the terminal reaches only this program, which
// then stops it in order), and signals go to that whole group. When the
// child ends, or this program stops it, whatever else still runs in its
// group is killed; should this program die without stopping it, the kernel
// kills the child and GroupWatchdog its group. The destructor kills and
// reaps a child that is still running, so that none is left behind.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts argv[0] (a path) in `workingDirectory` (empty: this one). A
  // program that cannot be executed still gives a child, which writes the
  // reason to its standard error and exits with status 127.
  bool Start(const std::vector<std::string>& argv, std::string& error,
             const std::string& workingDirectory = "");

  bool Started() const { return pid_ > 0; }
  bool Running() const { return pid_ > 0 && !ended_; }
  pid_t Pid() const { return pid_; }
  int StdoutFd() const { return stdout_; }
  int StderrFd() const { return stderr_; }
  void CloseStdout();
  void CloseStderr();

  // Sends `signal` to the child's process group while it runs.
  void Signal(int signal);
  // Collects the child's end if it has come (and kills what is left of its
  // group); true once it has ended.
  bool Reap();
  // Waits up to `seconds` for the end, then kills the child; true when it
  // ended by itself.
  bool WaitFor(double seconds);

  bool ExitedCleanly() const;  // ended with status 0
  // "exited with status 3", "was killed by signal 11 (Segmentation fault)".
  std::string EndDescription() const;

 private:
  void CollectEnd();

  pid_t pid_ = -1;
  int stdout_ = -1;
  int stderr_ = -1;
  bool ended_ = false;
  int status_ = 0;
};

// The last bytes of a stream, for diagnostics.
class OutputTail {
 public:
  explicit OutputTail(std::size_t limit = 4096) : limit_(limit) {}
  void Append(const char* data, std::size_t size);
  // The last `lines` complete or partial lines.
  std::string LastLines(int lines) const;
  // The last line that holds `text`; empty when none does.
  std::string LineWith(const std::string& text) const;

 private:
  std::size_t limit_;
  std::string text_;
};

// Reads what is available on a non-blocking descriptor into `out`, at most
// about `maxBytes`; false at end of file or on an error other than "would
// block".
bool ReadAvailable(int fd, std::string& out, std::size_t maxBytes = 1u << 20);

#endif
