#include "SignalPipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {
int signalPipe[2] = {-1, -1};

void OnStopSignal(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  ssize_t ignored = write(signalPipe[1], &byte, 1);
  (void)ignored;
  errno = saved;
}
}  // namespace

SignalPipe::SignalPipe() {
  if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) signalPipe[0] = signalPipe[1] = -1;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &oldInt_);
  sigaction(SIGTERM, &action, &oldTerm_);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &oldPipe_);
}

SignalPipe::~SignalPipe() {
  sigaction(SIGINT, &oldInt_, nullptr);
  sigaction(SIGTERM, &oldTerm_, nullptr);
  sigaction(SIGPIPE, &oldPipe_, nullptr);
  for (int& fd : signalPipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

int SignalPipe::Fd() const { return signalPipe[0]; }

int SignalPipe::Take() {
  unsigned char signal = 0;
  if (signalPipe[0] < 0 || read(signalPipe[0], &signal, 1) != 1) return 0;
  return signal;
}
