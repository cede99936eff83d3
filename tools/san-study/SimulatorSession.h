#ifndef SAN_STUDY_SIMULATOR_SESSION_H
#define SAN_STUDY_SIMULATOR_SESSION_H

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ExperimentEstimate.h"
#include "MessageParser.h"
#include "StudyPlan.h"

using Clock = std::chrono::steady_clock;

struct SessionSettings {
  std::string simulator;
  std::optional<int> generator;  // its -r
  bool steadyState = false;      // run with -t 0
  int measures = 1;              // observations per replication
  int reportSize = 20;
  double stallSeconds = 120.0;    // longest silence of a running simulator
  double quitGraceSeconds = 5.0;  // time to exit after the quit command
  double termGraceSeconds = 2.0;  // time to exit after SIGTERM, then SIGKILL
};

// The manager's side of one simulator run, one stream of an experiment:
// starts the simulator with -w and the stream's seed, reads the port from
// its standard output, connects, checks the greeting, hands every whole
// replication (one observation of each measure) to its sink in the order
// the simulator ran them, and ends the simulator with the quit command
// once the study has what it needs. A stream that runs ahead may be paused
// (SIGSTOP to its process group) and resumed; its silence limit does not
// run meanwhile. One silent for half its limit is pinged: a simulator may
// hold its reports back, but answers at its next report. Faults (early
// exit, crash, silence, malformed messages, measures it never reports) end
// the run with a failure text. Driven by an event loop through the
// poll hooks.
class SimulatorSession {
 public:
  using ReplicationSink = std::function<void(Replication&&)>;

  SimulatorSession(PlannedExperiment experiment, int stream, const SessionSettings& settings,
                   ReplicationSink sink);

  void Start(std::uint16_t portHint, Clock::time_point now);
  // Appends the descriptors this session waits for.
  void AddPollFds(std::vector<pollfd>& fds) const;
  void OnPollEvent(const pollfd& fd, Clock::time_point now);
  // Reaps the simulator, retries the connection, enforces time limits.
  void OnTick(Clock::time_point now);
  // The study has what it needs from this stream: the quit command, or
  // SIGTERM to a simulator not connected yet. Not a fault.
  void Stop(Clock::time_point now);
  // The study is being stopped: quit, then SIGTERM, then SIGKILL.
  void Interrupt(Clock::time_point now);
  void Kill();
  void Pause();
  void Resume(Clock::time_point now);

  bool Started() const { return phase_ != Phase::NotStarted; }
  bool Finished() const { return phase_ == Phase::Finished; }
  bool Failed() const { return !failure_.empty(); }
  const PlannedExperiment& Experiment() const { return experiment_; }
  int Stream() const { return stream_; }
  std::uint32_t Seed() const { return experiment_.streamSeeds[stream_]; }
  long Received() const { return received_; }
  double ProcessorSeconds() const { return processorSeconds_; }
  // The cause of a failure, with the tail of the simulator's standard error.
  std::string FailureReport() const;
  const std::string& Failure() const { return failure_; }

 private:
  // Where the run stands. The simulator goes through the first four in
  // order; a pause interrupts streaming; the last five end it, the quit
  // command first where the protocol allows, then SIGTERM, then SIGKILL.
  enum class Phase {
    NotStarted,
    AwaitingPort,  // started: its port is read from its standard output
    Connecting,    // a connection in progress, or to be retried
    Streaming,     // connected: the greeting, then replications
    Paused,        // streaming, held with SIGSTOP; its silence limit does not run
    Quitting,      // the quit command sent: it should exit within the grace time
    Closed,        // it closed the connection unasked: it should exit within the grace time
    Terminating,   // SIGTERM sent: SIGKILL follows after the grace time
    Killed,        // SIGKILL sent: it is reaped next
    Finished,
  };
  // Why the study ends the run, when it does so without a fault.
  enum class Request { None, Stop, Interrupt };

  void ReadStdout(Clock::time_point now);
  void ReadStderr();
  void ReadSocket(Clock::time_point now);
  void TryConnect(Clock::time_point now);
  void ConnectFinished(Clock::time_point now);
  void HandleMessages(Clock::time_point now);
  void HandleRecord(const DataRecord& record, Clock::time_point now);
  bool CheckExperiment(std::uint16_t experiment, Clock::time_point now);
  void SendQuit(Clock::time_point now);
  void Fail(const std::string& cause, Clock::time_point now);
  void Terminate(Clock::time_point now);
  void Continue();  // undoes a pause before a signal or command that needs it running
  void Finish(Clock::time_point now);
  void CloseSocket();
  bool Ending() const;  // Quitting and after
  std::string SilenceDescription() const;

  PlannedExperiment experiment_;
  int stream_;
  SessionSettings settings_;
  ReplicationSink sink_;
  Phase phase_ = Phase::NotStarted;
  Request request_ = Request::None;

  ChildProcess child_;
  std::string stdoutLine_;
  OutputTail stdoutTail_;
  OutputTail stderrTail_;

  int socket_ = -1;
  std::uint16_t port_ = 0;
  Clock::time_point connectRetryAt_;
  MessageParser parser_;
  bool greeted_ = false;
  bool pingSent_ = false;  // a ping waits for its reply

  std::vector<std::deque<double>> pending_;  // per measure, until a whole replication
  std::vector<bool> observed_;               // per measure: reported at least once
  int reports_ = 0;                          // data records received
  long received_ = 0;
  double processorSeconds_ = 0.0;

  Clock::time_point silenceDeadline_;  // stall limit while starting and streaming
  Clock::time_point exitDeadline_;     // Quitting, Closed: the end of the grace time
  Clock::time_point termSentAt_;       // Terminating: when SIGTERM was sent
  std::string failure_;
  std::string outputCause_;  // the line of its standard output that tells the failure's cause
};

#endif
