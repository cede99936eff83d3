#include "StudyRunner.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <algorithm>
#include <cmath>
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

void Record(const SimulatorSession& session, ExperimentResult& result) {
  result.failure = session.Failure();
  result.replications = session.Estimate().Replications();
  result.processorSeconds = session.ProcessorSeconds();
  switch (!session.Started() ? SessionOutcome::Incomplete : session.Outcome()) {
    case SessionOutcome::Converged: result.status = ExperimentStatus::kConverged; break;
    case SessionOutcome::MaxReplications: result.status = ExperimentStatus::kMaxReps; break;
    case SessionOutcome::Failed: result.status = ExperimentStatus::kFailed; break;
    case SessionOutcome::Running: result.status = ExperimentStatus::kRunning; break;
    default: result.status = session.Started() ? ExperimentStatus::kIncomplete : ExperimentStatus::kNotRun;
  }
  const ExperimentEstimate& estimate = session.Estimate();
  result.windows.clear();
  for (int w = 0; w < estimate.MeasureCount(); w++) {
    const ConfidenceInterval interval = estimate.Interval(w);
    result.windows.push_back({interval.mean, estimate.Window(w).Variance(), interval.lower, interval.upper,
                              interval.HalfWidth(), MethodName(interval.method), estimate.PrecisionReached(w),
                              estimate.WindowConverged(w)});
  }
}

// The replications an experiment will probably need: its own count once it
// ended, else the count at which its widest interval should reach the
// precision (half-widths shrink as 1/sqrt(n)).
double ProjectedReplications(const SimulatorSession& s, const StopRule& rule) {
  const long n = s.Estimate().Replications();
  if (s.Finished()) return static_cast<double>(n);
  const double widest = s.Estimate().WidestRelativeHalfWidth();
  if (n < 2 || !std::isfinite(widest)) return static_cast<double>(rule.maxReplications);
  const double needed = n * (widest / rule.precision) * (widest / rule.precision);
  return std::clamp(needed, static_cast<double>(std::max(n, rule.minReplications)),
                    static_cast<double>(rule.maxReplications));
}
}  // namespace

StudyRunner::StudyRunner(const StudyOptions& options, const StudyDescription& description,
                         ProgressDisplay& progress, Listener experimentEnded)
    : options_(options), description_(description), progress_(progress), experimentEnded_(std::move(experimentEnded)) {}

void StudyRunner::Run(StudyResult& result) {
  SessionSettings settings;
  settings.simulator = options_.simulator;
  settings.generator = options_.generator;
  settings.steadyState = description_.steadyState;
  settings.measures = static_cast<int>(description_.measures.size());
  settings.reportSize = options_.reportSize;
  settings.stopRule = options_.stopRule;
  settings.stallSeconds = options_.stallSeconds;

  std::vector<std::unique_ptr<SimulatorSession>> sessions;
  std::vector<ExperimentResult*> slots;  // the result each session fills
  for (ExperimentResult& e : result.experiments) {
    if (e.Finished()) continue;
    sessions.push_back(std::make_unique<SimulatorSession>(e.plan, settings));
    slots.push_back(&e);
  }
  const std::size_t reusedCount = result.experiments.size() - sessions.size();
  std::vector<bool> reported(sessions.size(), false);
  StopSignals signals;
  PortPicker ports;
  std::size_t next = 0;
  int signalsSeen = 0;
  const Clock::time_point begin = Clock::now();

  auto snapshot = [&] {
    ProgressSnapshot p;
    p.total = result.experiments.size();
    p.done = reusedCount;
    p.precision = options_.stopRule.precision;
    p.elapsedSeconds = std::chrono::duration<double>(Clock::now() - begin).count();
    double projected = 0.0, counted = 0.0, projectedStarted = 0.0;
    std::size_t started = 0;
    for (const auto& s : sessions) {
      if (!s->Started()) continue;
      started++;
      p.done += s->Finished();
      counted += static_cast<double>(s->Estimate().Replications());
      projectedStarted += ProjectedReplications(*s, options_.stopRule);
      if (!s->Finished())
        p.running.push_back({s->Experiment().name, s->Estimate().Replications(),
                             s->Estimate().WidestRelativeHalfWidth()});
    }
    // Experiments not started yet are assumed to need what the started ones do.
    const double perExperiment = started ? projectedStarted / static_cast<double>(started)
                                         : static_cast<double>(options_.stopRule.maxReplications);
    projected = projectedStarted + perExperiment * static_cast<double>(sessions.size() - started);
    p.replications = static_cast<long>(counted);
    if (counted > 0 && p.elapsedSeconds > 1.0)
      p.remainingSeconds = (projected - counted) / (counted / p.elapsedSeconds);
    return p;
  };

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
        Record(*sessions[i], *slots[i]);
        if (!sessions[i]->Failure().empty())
          progress_.Message(options_.program + ": " + sessions[i]->FailureReport());
        if (!result.Interrupted()) {
          for (std::size_t j = 0; j < sessions.size(); j++)
            if (!reported[j]) Record(*sessions[j], *slots[j]);
          experimentEnded_(result);
        }
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
            progress_.Message(options_.program + ": stopping the simulators; the results so far are written, "
                              "marked incomplete (signal again to kill them at once)");
            for (const auto& s : sessions) s->Interrupt(now);
          } else {
            for (const auto& s : sessions) s->Kill();
          }
        }
      }
      for (const auto& s : sessions)
        if (s->Started() && !s->Finished()) s->OnTick(now);
      progress_.Show(snapshot);
    }
  } catch (const std::exception& e) {
    result.internalError = e.what();
    for (const auto& s : sessions) s->Kill();
  }

  for (std::size_t i = 0; i < sessions.size(); i++) Record(*sessions[i], *slots[i]);
}
