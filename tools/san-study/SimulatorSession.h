#ifndef SAN_STUDY_SIMULATOR_SESSION_H
#define SAN_STUDY_SIMULATOR_SESSION_H

#include <poll.h>

#include <optional>
#include <chrono>
#include <cstdint>
#include <deque>
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
  StopRule stopRule;
  double stallSeconds = 120.0;     // longest silence of a running simulator
  double quitGraceSeconds = 5.0;   // time to exit after the quit command
  double termGraceSeconds = 2.0;   // time to exit after SIGTERM, then SIGKILL
};

enum class SessionOutcome { Running, Converged, MaxReplications, Incomplete, Failed };

// The manager's side of one simulator run: starts the simulator with -w,
// reads the port from its standard output, connects, checks the greeting,
// turns processor-time messages and data records into replications, and
// ends the simulator with the quit command once the stop rule says so.
// Faults (early exit, crash, silence, malformed messages) end the run with
// a failure text. Driven by the study's event loop through the poll hooks.
class SimulatorSession {
 public:
  SimulatorSession(PlannedExperiment experiment, const SessionSettings& settings);

  void Start(std::uint16_t portHint, Clock::time_point now);
  // Appends the descriptors this session waits for.
  void AddPollFds(std::vector<pollfd>& fds) const;
  void OnPollEvent(const pollfd& fd, Clock::time_point now);
  // Reaps the simulator, retries the connection, enforces time limits.
  void OnTick(Clock::time_point now);
  // The study is being stopped: quit, then SIGTERM, then SIGKILL.
  void Interrupt(Clock::time_point now);
  void Kill();

  bool Started() const { return phase_ != Phase::NotStarted; }
  bool Finished() const { return phase_ == Phase::Finished; }
  SessionOutcome Outcome() const;
  const PlannedExperiment& Experiment() const { return experiment_; }
  const ExperimentEstimate& Estimate() const { return estimate_; }
  double ProcessorSeconds() const { return processorSeconds_; }
  // The cause of a failure, with the tail of the simulator's standard error.
  std::string FailureReport() const;
  const std::string& Failure() const { return failure_; }

 private:
  enum class Phase { NotStarted, AwaitingPort, Connecting, Streaming, Ending, Finished };

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
  void Finish(Clock::time_point now);
  void CloseSocket();
  std::string SilenceDescription() const;

  PlannedExperiment experiment_;
  SessionSettings settings_;
  Phase phase_ = Phase::NotStarted;

  ChildProcess child_;
  std::string stdoutLine_;
  OutputTail stdoutTail_;
  OutputTail stderrTail_;

  int socket_ = -1;
  std::uint16_t port_ = 0;
  Clock::time_point connectRetryAt_;
  MessageParser parser_;
  bool greeted_ = false;
  bool quitSent_ = false;

  std::vector<std::deque<double>> pending_;  // per measure, until a whole replication
  ExperimentEstimate estimate_;
  double processorSeconds_ = 0.0;

  Clock::time_point silenceDeadline_;  // stall limit while starting and streaming
  Clock::time_point exitDeadline_;     // after quit or a closed connection
  bool awaitingExit_ = false;
  bool termSent_ = false;
  bool killSent_ = false;
  Clock::time_point termSentAt_;
  bool interrupted_ = false;
  std::string failure_;
};

#endif
