#include "StudyRunner.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <memory>

#include "SimulatorSession.h"

namespace {
int signalPipe[2] = {-1, -1};

void OnStopSignal(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  ssize_t ignored = write(signalPipe[1], &byte, 1);
  (void)ignored;
  errno = saved;
}

// Routes SIGINT and SIGTERM into a pipe that the poll loop watches, for
// the lifetime of the object; SIGPIPE is ignored (a vanished simulator is
// noticed by its end, not by a signal).
class StopSignals {
 public:
  StopSignals() {
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
  ~StopSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
    sigaction(SIGPIPE, &oldPipe_, nullptr);
    for (int& fd : signalPipe) {
      if (fd >= 0) close(fd);
      fd = -1;
    }
  }
  int Fd() const { return signalPipe[0]; }

 private:
  struct sigaction oldInt_ {}, oldTerm_ {}, oldPipe_ {};
};

// Suggests a free port to each simulator (its -p), so that simulators
// started together do not race for the same one; a simulator that finds
// its port taken moves on by itself and announces the one it bound. Ports
// stay below 32768 (the simulator keeps its port in 16 bits).
class PortPicker {
 public:
  PortPicker() : next_(static_cast<std::uint16_t>(kFirst + getpid() % (kLast - kFirst))) {}
  std::uint16_t Next() {
    for (int tries = 0; tries < 200; tries++) {
      const std::uint16_t port = next_;
      next_ = next_ + 1 >= kLast ? kFirst : static_cast<std::uint16_t>(next_ + 1);
      if (Free(port)) return port;
    }
    return next_;
  }

 private:
  static constexpr std::uint16_t kFirst = 20000, kLast = 32000;
  static bool Free(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return true;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    const bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return free;
  }
  std::uint16_t next_;
};

ExperimentResult ResultOf(const SimulatorSession& session) {
  ExperimentResult result;
  result.info = session.Info();
  result.seed = session.Seed();
  result.failure = session.Failure();
  result.replications = session.Estimate().Replications();
  result.processorSeconds = session.ProcessorSeconds();
  switch (session.Outcome()) {
    case SessionOutcome::Converged: result.status = ExperimentStatus::kConverged; break;
    case SessionOutcome::MaxReplications: result.status = ExperimentStatus::kMaxReps; break;
    case SessionOutcome::Failed: result.status = ExperimentStatus::kFailed; break;
    default: result.status = session.Started() ? ExperimentStatus::kIncomplete : ExperimentStatus::kNotRun;
  }
  const ExperimentEstimate& estimate = session.Estimate();
  for (int w = 0; w < kWindowCount; w++) {
    const ConfidenceInterval interval = estimate.Interval(w);
    result.windows.push_back({kWindowStart, WindowEnd(w), interval.mean, estimate.Window(w).Variance(),
                              interval.halfWidth, estimate.WindowConverged(w)});
  }
  return result;
}
}  // namespace

StudyRunner::StudyRunner(const StudyOptions& options, const StudyCatalog& catalog, ProgressDisplay& progress)
    : options_(options), catalog_(catalog), progress_(progress) {}

StudyResult StudyRunner::Run() {
  SessionSettings settings;
  settings.simulator = options_.simulator;
  settings.overrideText = options_.overrideText;
  settings.reportSize = options_.reportSize;
  settings.stopRule = options_.stopRule;
  settings.stallSeconds = options_.stallSeconds;

  std::vector<std::unique_ptr<SimulatorSession>> sessions;
  for (int index : options_.experiments)
    sessions.push_back(std::make_unique<SimulatorSession>(catalog_.Experiments()[index],
                                                          SimulatorSeed(options_.seed, index), settings));
  std::vector<bool> reported(sessions.size(), false);
  StopSignals signals;
  PortPicker ports;
  StudyResult result;
  std::size_t next = 0;
  int signalsSeen = 0;

  // An exception (out of memory, say) ends the study like an interruption:
  // the simulators are killed and the results gathered so far returned.
  try {
    for (;;) {
      Clock::time_point now = Clock::now();
      auto runningCount = [&] {
        std::size_t n = 0;
        for (const auto& s : sessions) n += s->Started() && !s->Finished();
        return n;
      };
      while (!result.Interrupted() && runningCount() < options_.jobs && next < sessions.size())
        sessions[next++]->Start(ports.Next(), now);
      const std::size_t running = runningCount();
      for (std::size_t i = 0; i < sessions.size(); i++) {
        if (!sessions[i]->Finished() || reported[i]) continue;
        reported[i] = true;
        if (!sessions[i]->Failure().empty()) progress_.Message("movingblock-study: " + sessions[i]->FailureReport());
      }
      if (running == 0 && (result.Interrupted() || next == sessions.size())) break;

      std::vector<pollfd> fds;
      if (signals.Fd() >= 0) fds.push_back({signals.Fd(), POLLIN, 0});
      std::vector<SimulatorSession*> owners(fds.size(), nullptr);
      for (const auto& s : sessions) {
        if (!s->Started() || s->Finished()) continue;
        s->AddPollFds(fds);
        owners.resize(fds.size(), s.get());
      }
      poll(fds.data(), fds.size(), 50);
      now = Clock::now();

      for (std::size_t i = 0; i < fds.size(); i++) {
        if (fds[i].revents == 0) continue;
        if (owners[i]) {
          owners[i]->OnPollEvent(fds[i], now);
          continue;
        }
        unsigned char signal;
        while (read(fds[i].fd, &signal, 1) == 1) {
          if (signalsSeen++ == 0) {
            result.interruptSignal = signal;
            progress_.Message("movingblock-study: stopping the simulators; the results so far are written, "
                              "marked incomplete (signal again to kill them at once)");
            for (const auto& s : sessions) s->Interrupt(now);
          } else {
            for (const auto& s : sessions) s->Kill();
          }
        }
      }
      for (const auto& s : sessions)
        if (s->Started() && !s->Finished()) s->OnTick(now);
      progress_.Show(sessions);
    }
  } catch (const std::exception& e) {
    result.internalError = e.what();
    for (const auto& s : sessions) s->Kill();
  }

  for (const auto& s : sessions) result.experiments.push_back(ResultOf(*s));
  return result;
}
