#ifndef SAN_STUDY_SESSION_POOL_H
#define SAN_STUDY_SESSION_POOL_H

#include <memory>
#include <vector>

#include "PortPicker.h"
#include "SimulatorSession.h"

// The simulators one process drives, each one stream of an experiment
// (its group). They start in the order they were added, at most `jobs` at
// a time, except that the further streams of an experiment whose first
// stream has started start at once: the streams of an experiment are
// folded together, so each needs the others running.
class SessionPool {
 public:
  explicit SessionPool(unsigned jobs) : jobs_(jobs) {}

  SimulatorSession& Add(std::unique_ptr<SimulatorSession> session, std::size_t group);
  // Starts what is due; nothing once `stopping`.
  void StartDue(Clock::time_point now, bool stopping);
  // Waits up to `timeoutMs` for any simulator's descriptors or `extraFd`
  // (-1: none), handles what arrived, then reaps, retries and enforces the
  // time limits of every running simulator. True when `extraFd` is readable.
  bool Poll(int extraFd, int timeoutMs);

  // Positions of the sessions that have started since the last call, each
  // once (before they are among the finished ones).
  std::vector<std::size_t> TakeStarted();
  // Positions of the sessions that have ended since the last call, each once.
  std::vector<std::size_t> TakeFinished();
  // Nothing runs, and nothing is left to start (or it will not be).
  bool Idle(bool stopping) const;

  std::size_t Size() const { return sessions_.size(); }
  SimulatorSession& At(std::size_t i) { return *sessions_[i]; }
  std::size_t Group(std::size_t i) const { return groups_[i]; }
  void InterruptAll(Clock::time_point now);
  void KillAll();

 private:
  std::size_t Running() const;

  unsigned jobs_;
  std::vector<std::unique_ptr<SimulatorSession>> sessions_;
  std::vector<std::size_t> groups_;
  std::vector<bool> startedSeen_;
  std::vector<bool> finishedSeen_;
  std::size_t next_ = 0;
  PortPicker ports_;
};

#endif
