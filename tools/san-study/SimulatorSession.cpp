#include "SimulatorSession.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <variant>

#include "Common/ManagerProtocol.h"
#include "NumberFormat.h"

namespace {
constexpr const char* kRegisterPrefix = ManagerProtocol::kRegisterPrefix;
constexpr auto kConnectRetry = std::chrono::milliseconds(50);
constexpr std::uint8_t kPingCommand = ManagerProtocol::kPing;
constexpr std::uint8_t kQuitCommand = ManagerProtocol::kQuit;
// Reports in which every measure of the description should have appeared:
// a terminating run observes every measure in every replication; a
// steady-state one may fill the batches of one measure much later than
// those of another.
constexpr int kReportsToShowEveryMeasure = 1;
constexpr int kReportsToShowEveryBatchMeasure = 100;
constexpr const char* kAbsorbingState = "absorbing state";

Clock::duration Seconds(double s) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}
}  // namespace

SimulatorSession::SimulatorSession(PlannedExperiment experiment, int stream,
                                   const SessionSettings& settings, ReplicationSink sink)
    : experiment_(std::move(experiment)),
      stream_(stream),
      settings_(settings),
      sink_(std::move(sink)),
      pending_(static_cast<std::size_t>(settings.measures)),
      observed_(pending_.size(), false) {}

void SimulatorSession::Start(std::uint16_t portHint, Clock::time_point now) {
  std::vector<std::string> argv = {settings_.simulator,
                                   "-w",
                                   "-e",
                                   std::to_string(experiment_.index),
                                   "-s",
                                   std::to_string(Seed()),
                                   "-n",
                                   std::to_string(settings_.reportSize),
                                   "-p",
                                   std::to_string(portHint)};
  if (settings_.generator) argv.insert(argv.end(), {"-r", std::to_string(*settings_.generator)});
  if (settings_.steadyState) argv.insert(argv.end(), {"-t", "0"});
  if (!experiment_.overrideText.empty()) argv.insert(argv.end(), {"-O", experiment_.overrideText});
  std::string error;
  phase_ = Phase::AwaitingPort;
  silenceDeadline_ = now + Seconds(settings_.stallSeconds);
  if (!child_.Start(argv, error)) {
    failure_ = "could not be started: " + error;
    phase_ = Phase::Finished;
  }
}

void SimulatorSession::AddPollFds(std::vector<pollfd>& fds) const {
  if (child_.StdoutFd() >= 0) fds.push_back({child_.StdoutFd(), POLLIN, 0});
  if (child_.StderrFd() >= 0) fds.push_back({child_.StderrFd(), POLLIN, 0});
  if (socket_ >= 0)
    fds.push_back({socket_, static_cast<short>(phase_ == Phase::Connecting ? POLLOUT : POLLIN), 0});
}

void SimulatorSession::OnPollEvent(const pollfd& fd, Clock::time_point now) {
  if (fd.fd == child_.StdoutFd())
    ReadStdout(now);
  else if (fd.fd == child_.StderrFd())
    ReadStderr();
  else if (fd.fd == socket_ && phase_ == Phase::Connecting)
    ConnectFinished(now);
  else if (fd.fd == socket_)
    ReadSocket(now);
}

void SimulatorSession::ReadStdout(Clock::time_point now) {
  std::string data;
  const bool open = ReadAvailable(child_.StdoutFd(), data);
  stdoutTail_.Append(data.data(), data.size());
  if (!open) child_.CloseStdout();
  if (phase_ != Phase::AwaitingPort || !child_.Running()) return;
  stdoutLine_ += data;
  std::size_t newline;
  while (phase_ == Phase::AwaitingPort && (newline = stdoutLine_.find('\n')) != std::string::npos) {
    const std::string line = stdoutLine_.substr(0, newline);
    stdoutLine_.erase(0, newline + 1);
    const std::size_t at = line.find(kRegisterPrefix);
    if (at == std::string::npos) continue;
    const std::string rest = line.substr(at + std::strlen(kRegisterPrefix));
    char* end = nullptr;
    const long port = std::strtol(rest.c_str(), &end, 10);
    if (end == rest.c_str() || *end != ']' || port < 1 || port > 65535)
      return Fail("announced its port in a malformed line: " + line, now);
    port_ = static_cast<std::uint16_t>(port);
    phase_ = Phase::Connecting;
    silenceDeadline_ = now + Seconds(settings_.stallSeconds);
    TryConnect(now);
  }
  if (stdoutLine_.size() > 4096) stdoutLine_.erase(0, stdoutLine_.size() - 4096);
}

void SimulatorSession::ReadStderr() {
  std::string data;
  const bool open = ReadAvailable(child_.StderrFd(), data);
  stderrTail_.Append(data.data(), data.size());
  if (!open) child_.CloseStderr();
}

// The simulator announces its port before it listens, so a refused
// connection is retried until the silence limit.
void SimulatorSession::TryConnect(Clock::time_point now) {
  socket_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (socket_ < 0) return Fail(std::string("cannot create a socket: ") + std::strerror(errno), now);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port_);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    phase_ = Phase::Streaming;
  } else if (errno == ECONNREFUSED) {
    CloseSocket();
    connectRetryAt_ = now + kConnectRetry;
  } else if (errno != EINPROGRESS) {
    Fail("cannot connect to port " + std::to_string(port_) + ": " + std::strerror(errno), now);
  }
}

void SimulatorSession::ConnectFinished(Clock::time_point now) {
  int error = 0;
  socklen_t size = sizeof error;
  getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &size);
  if (error == 0) {
    phase_ = Phase::Streaming;
  } else if (error == ECONNREFUSED) {
    CloseSocket();
    connectRetryAt_ = now + kConnectRetry;
  } else {
    Fail("cannot connect to port " + std::to_string(port_) + ": " + std::strerror(error), now);
  }
}

void SimulatorSession::ReadSocket(Clock::time_point now) {
  std::string data;
  const bool open = ReadAvailable(socket_, data);
  if (!data.empty()) {
    silenceDeadline_ = now + Seconds(settings_.stallSeconds);
    const bool wellFormed =
        parser_.Feed(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    HandleMessages(now);  // the messages before a malformed one still count
    if (!wellFormed) return Fail("sent a " + parser_.Error(), now);
  }
  if (open || socket_ < 0) return;
  // End of the stream: how the simulator ends tells whether that was a fault.
  CloseSocket();
  if (phase_ == Phase::Streaming || phase_ == Phase::Paused) {
    Continue();
    phase_ = Phase::Closed;
    exitDeadline_ = now + Seconds(settings_.quitGraceSeconds);
  }
}

void SimulatorSession::HandleMessages(Clock::time_point now) {
  SimulatorMessage message;
  while (socket_ >= 0 && parser_.Next(message)) {
    if (auto* control = std::get_if<ControlMessage>(&message)) {
      if (!greeted_ && control->IsGreeting())
        greeted_ = true;
      else if (pingSent_ && control->IsGreeting())  // the reply to a ping is the greeting's
        pingSent_ = false;
      else if (!(Ending() && control->IsQuitReply()))
        return Fail(
            "sent an unexpected control message (code " + std::to_string(control->code) + ")", now);
    } else if (!greeted_) {
      return Fail("did not greet before sending observations", now);
    } else if (auto* time = std::get_if<ProcessorTimeMessage>(&message)) {
      if (!CheckExperiment(time->experiment, now)) return;
      processorSeconds_ = time->seconds;
    } else {
      HandleRecord(std::get<DataRecord>(message), now);
    }
  }
}

bool SimulatorSession::CheckExperiment(std::uint16_t experiment, Clock::time_point now) {
  if (experiment == static_cast<std::uint16_t>(experiment_.index)) return true;
  Fail("reports experiment " + std::to_string(experiment) + " instead of " +
           std::to_string(experiment_.index),
       now);
  return false;
}

// Observations of each window wait until every window has one; only such
// whole replications are counted, in the order the simulator ran them.
void SimulatorSession::HandleRecord(const DataRecord& record, Clock::time_point now) {
  if (!CheckExperiment(record.experiment, now)) return;
  for (const PVSection& section : record.sections)
    if (section.pvIndex >= pending_.size())
      return Fail("sent observations of PV " + std::to_string(section.pvIndex) + ", beyond the " +
                      std::to_string(pending_.size()) + " measures of the study description",
                  now);
  for (const PVSection& section : record.sections) {
    pending_[section.pvIndex].insert(pending_[section.pvIndex].end(), section.values.begin(),
                                     section.values.end());
    observed_[section.pvIndex] = observed_[section.pvIndex] || !section.values.empty();
  }
  // A measure the simulator never reports would hold every replication
  // back while it goes on sending: a description that is not its own.
  if (++reports_ ==
      (settings_.steadyState ? kReportsToShowEveryBatchMeasure : kReportsToShowEveryMeasure))
    for (std::size_t pv = 0; pv < observed_.size(); pv++)
      if (!observed_[pv])
        return Fail("sent no observations of PV " + std::to_string(pv) + " in " +
                        std::to_string(reports_) + " reports, while its study description has " +
                        std::to_string(observed_.size()) +
                        " measures: is the description this simulator's?",
                    now);
  auto whole = [this] {
    for (const auto& window : pending_)
      if (window.empty()) return false;
    return true;
  };
  while (whole()) {
    Replication replication(pending_.size());
    for (std::size_t w = 0; w < pending_.size(); w++) {
      replication[w] = pending_[w].front();
      pending_[w].pop_front();
    }
    received_++;
    sink_(std::move(replication));
  }
}

bool SimulatorSession::Ending() const {
  return phase_ == Phase::Quitting || phase_ == Phase::Closed || phase_ == Phase::Terminating ||
         phase_ == Phase::Killed || phase_ == Phase::Finished;
}

void SimulatorSession::Stop(Clock::time_point now) {
  if (request_ != Request::None || phase_ == Phase::NotStarted || phase_ == Phase::Finished) return;
  request_ = Request::Stop;
  if (phase_ == Phase::Streaming || phase_ == Phase::Paused)
    SendQuit(now);
  else if (phase_ == Phase::AwaitingPort || phase_ == Phase::Connecting || phase_ == Phase::Closed)
    Terminate(now);
}

void SimulatorSession::Pause() {
  if (phase_ != Phase::Streaming || !child_.Running()) return;
  child_.Signal(SIGSTOP);
  phase_ = Phase::Paused;
}

void SimulatorSession::Resume(Clock::time_point now) {
  if (phase_ != Phase::Paused) return;
  Continue();
  silenceDeadline_ = now + Seconds(settings_.stallSeconds);
}

void SimulatorSession::Continue() {
  if (phase_ != Phase::Paused) return;
  child_.Signal(SIGCONT);
  phase_ = Phase::Streaming;
}

void SimulatorSession::SendQuit(Clock::time_point now) {
  Continue();
  phase_ = Phase::Quitting;
  exitDeadline_ = now + Seconds(settings_.quitGraceSeconds);
  const std::uint8_t command = kQuitCommand;
  // A failed send means the simulator is gone; reaping it tells how.
  ssize_t sent = send(socket_, &command, 1, MSG_NOSIGNAL);
  (void)sent;
}

void SimulatorSession::Fail(const std::string& cause, Clock::time_point now) {
  if (failure_.empty()) failure_ = cause;
  CloseSocket();
  if (phase_ != Phase::Terminating && phase_ != Phase::Killed && phase_ != Phase::Finished)
    Terminate(now);
}

void SimulatorSession::Terminate(Clock::time_point now) {
  Continue();
  // A connection not made yet has nothing to read.
  if (phase_ == Phase::Connecting) CloseSocket();
  child_.Signal(SIGTERM);
  phase_ = Phase::Terminating;
  termSentAt_ = now;
}

void SimulatorSession::Interrupt(Clock::time_point now) {
  const bool quitSent = phase_ == Phase::Quitting;
  request_ = Request::Interrupt;
  if (phase_ == Phase::NotStarted || quitSent || phase_ == Phase::Terminating ||
      phase_ == Phase::Killed || phase_ == Phase::Finished)
    return;
  if ((phase_ == Phase::Streaming || phase_ == Phase::Paused) && greeted_)
    SendQuit(now);
  else
    Terminate(now);
}

void SimulatorSession::Kill() {
  if (!Started() || Finished()) return;
  child_.Signal(SIGKILL);
  phase_ = Phase::Killed;
}

std::string SimulatorSession::SilenceDescription() const {
  const std::string limit = ShortestText(settings_.stallSeconds) + " s";
  switch (phase_) {
    case Phase::AwaitingPort:
      return "did not announce its port within " + limit;
    case Phase::Connecting:
      return "did not accept the connection within " + limit;
    default:
      return greeted_ ? "sent nothing for " + limit : "sent no greeting within " + limit;
  }
}

void SimulatorSession::OnTick(Clock::time_point now) {
  if (phase_ == Phase::NotStarted || phase_ == Phase::Finished) return;
  if (child_.Reap()) return Finish(now);
  if (phase_ == Phase::Connecting && socket_ < 0 && now >= connectRetryAt_) TryConnect(now);
  const bool silenceCounts =
      phase_ == Phase::AwaitingPort || phase_ == Phase::Connecting || phase_ == Phase::Streaming;
  if (silenceCounts && now > silenceDeadline_) return Fail(SilenceDescription(), now);
  // A simulator may hold its reports back for a while; it still answers a
  // ping at its next report, which shows it is alive (any reply resets the
  // silence limit).
  if (phase_ == Phase::Streaming && greeted_ && !pingSent_ && socket_ >= 0 &&
      now > silenceDeadline_ - Seconds(settings_.stallSeconds / 2)) {
    const std::uint8_t command = kPingCommand;
    pingSent_ = send(socket_, &command, 1, MSG_NOSIGNAL) == 1;
  }
  if ((phase_ == Phase::Quitting || phase_ == Phase::Closed) && now > exitDeadline_) {
    const std::string limit = ShortestText(settings_.quitGraceSeconds) + " s";
    if (request_ == Request::Interrupt)
      Terminate(now);
    else if (phase_ == Phase::Quitting)
      Fail("did not exit within " + limit + " of the quit command", now);
    else
      Fail("closed the connection but did not exit within " + limit, now);
  }
  if (phase_ == Phase::Terminating && now > termSentAt_ + Seconds(settings_.termGraceSeconds))
    Kill();
}

void SimulatorSession::Finish(Clock::time_point now) {
  if (child_.StdoutFd() >= 0) ReadStdout(now);
  if (child_.StderrFd() >= 0) ReadStderr();
  // The simulator has ended: what it sent is all in the socket now.
  const Phase ended = phase_;
  if (ended != Phase::Connecting)
    for (int reads = 0; socket_ >= 0 && reads < 1024; reads++) ReadSocket(now);
  CloseSocket();
  child_.CloseStdout();
  child_.CloseStderr();
  const std::string end = child_.EndDescription();
  if (!failure_.empty() || request_ == Request::Interrupt) {
    // failure or interruption: already accounted for
  } else if (request_ == Request::Stop) {
    if (ended == Phase::Quitting && !child_.ExitedCleanly())
      failure_ = "after the quit command it " + end;
  } else if (phase_ == Phase::AwaitingPort) {
    failure_ = end + " without announcing its port";
  } else if (phase_ == Phase::Connecting) {
    failure_ = end + " before accepting the connection";
  } else {
    // A steady-state run ends by itself when no activity can fire any more;
    // the simulator says so on its standard output (and may on its error).
    std::string absorbing = stderrTail_.LineWith(kAbsorbingState);
    if (absorbing.empty()) {
      absorbing = stdoutTail_.LineWith(kAbsorbingState);
      outputCause_ = absorbing;
    }
    failure_ = (absorbing.empty() ? "" : "reached an absorbing state (no activity can fire) and ") +
               end + " after " + std::to_string(received_) +
               " whole replications, before its estimates converged";
  }
  phase_ = Phase::Finished;
}

void SimulatorSession::CloseSocket() {
  if (socket_ >= 0) close(socket_);
  socket_ = -1;
}

std::string SimulatorSession::FailureReport() const {
  const std::string stream = experiment_.Streams() > 1 ? " stream " + std::to_string(stream_) : "";
  std::string report = experiment_.name + stream + " (-e " + std::to_string(experiment_.index) +
                       " -s " + std::to_string(Seed()) + "): the simulator " + failure_;
  if (!outputCause_.empty()) report += "\n  its standard output says:\n    | " + outputCause_;
  const std::string tail = stderrTail_.LastLines(8);
  if (!tail.empty()) {
    report += "\n  last lines of its standard error:";
    std::size_t begin = 0;
    while (begin <= tail.size()) {
      const std::size_t end = std::min(tail.find('\n', begin), tail.size());
      report += "\n    | " + tail.substr(begin, end - begin);
      begin = end + 1;
    }
  }
  return report;
}
