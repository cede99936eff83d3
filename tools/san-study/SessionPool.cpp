#include "SessionPool.h"

SimulatorSession& SessionPool::Add(std::unique_ptr<SimulatorSession> session, std::size_t group) {
  sessions_.push_back(std::move(session));
  groups_.push_back(group);
  startedSeen_.push_back(false);
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

namespace {
// The positions where `happened` is true and `seen` not yet, marked seen.
template <typename Happened>
std::vector<std::size_t> TakeNew(std::vector<bool>& seen, Happened happened) {
  std::vector<std::size_t> fresh;
  for (std::size_t i = 0; i < seen.size(); i++)
    if (!seen[i] && happened(i)) {
      seen[i] = true;
      fresh.push_back(i);
    }
  return fresh;
}
}  // namespace

std::vector<std::size_t> SessionPool::TakeStarted() {
  return TakeNew(startedSeen_, [this](std::size_t i) { return sessions_[i]->Started(); });
}

std::vector<std::size_t> SessionPool::TakeFinished() {
  return TakeNew(finishedSeen_, [this](std::size_t i) { return sessions_[i]->Finished(); });
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
