#include "SessionPool.h"

SimulatorSession& SessionPool::Add(std::unique_ptr<SimulatorSession> session, std::size_t group) {
  sessions_.push_back(std::move(session));
  groups_.push_back(group);
  finishedSeen_.push_back(false);
  return *sessions_.back();
}

std::size_t SessionPool::Running() const {
  std::size_t n = 0;
  for (const auto& s : sessions_) n += s->Started() && !s->Finished();
  return n;
}

void SessionPool::StartDue(Clock::time_point now, bool stopping) {
  while (!stopping && next_ < sessions_.size()) {
    const bool sameGroupStarted = next_ > 0 && groups_[next_ - 1] == groups_[next_];
    if (!sameGroupStarted && Running() >= jobs_) break;
    sessions_[next_++]->Start(ports_.Next(), now);
  }
}

bool SessionPool::Poll(int extraFd, int timeoutMs) {
  std::vector<pollfd> fds;
  if (extraFd >= 0) fds.push_back({extraFd, POLLIN, 0});
  std::vector<SimulatorSession*> owners(fds.size(), nullptr);
  for (const auto& s : sessions_) {
    if (!s->Started() || s->Finished()) continue;
    s->AddPollFds(fds);
    owners.resize(fds.size(), s.get());
  }
  poll(fds.data(), fds.size(), timeoutMs);
  const Clock::time_point now = Clock::now();
  bool extraReady = false;
  for (std::size_t i = 0; i < fds.size(); i++) {
    if (fds[i].revents == 0) continue;
    if (owners[i])
      owners[i]->OnPollEvent(fds[i], now);
    else
      extraReady = true;
  }
  for (const auto& s : sessions_)
    if (s->Started() && !s->Finished()) s->OnTick(now);
  return extraReady;
}

std::vector<std::size_t> SessionPool::TakeFinished() {
  std::vector<std::size_t> finished;
  for (std::size_t i = 0; i < sessions_.size(); i++)
    if (sessions_[i]->Finished() && !finishedSeen_[i]) {
      finishedSeen_[i] = true;
      finished.push_back(i);
    }
  return finished;
}

bool SessionPool::Idle(bool stopping) const {
  return Running() == 0 && (stopping || next_ == sessions_.size());
}

void SessionPool::InterruptAll(Clock::time_point now) {
  for (const auto& s : sessions_) s->Interrupt(now);
}

void SessionPool::KillAll() {
  for (const auto& s : sessions_) s->Kill();
}
