#include "MpiLink.h"

#include <chrono>
#include <thread>

MpiLink::MpiLink(MPI_Comm comm) : comm_(comm) {
  MPI_Comm_rank(comm_, &rank_);
  MPI_Comm_size(comm_, &size_);
}

MpiLink::~MpiLink() { FinishSends(); }

void MpiLink::Send(int destination, std::vector<char> bytes) {
  pending_.push_back({MPI_REQUEST_NULL, std::move(bytes)});
  PendingSend& send = pending_.back();
  MPI_Isend(send.bytes.data(), static_cast<int>(send.bytes.size()), MPI_BYTE, destination, kTag,
            comm_, &send.request);
  Progress();
}

bool MpiLink::Receive(std::vector<char>& bytes, int& source) {
  int arrived = 0;
  MPI_Message message;
  MPI_Status status;
  MPI_Improbe(MPI_ANY_SOURCE, kTag, comm_, &arrived, &message, &status);
  if (!arrived) return false;
  int size = 0;
  MPI_Get_count(&status, MPI_BYTE, &size);
  bytes.resize(static_cast<std::size_t>(size));
  MPI_Mrecv(bytes.data(), size, MPI_BYTE, &message, MPI_STATUS_IGNORE);
  source = status.MPI_SOURCE;
  return true;
}

void MpiLink::Progress() {
  for (auto it = pending_.begin(); it != pending_.end();) {
    int done = 0;
    MPI_Test(&it->request, &done, MPI_STATUS_IGNORE);
    it = done ? pending_.erase(it) : std::next(it);
  }
}

void MpiLink::FinishSends() {
  // MPI_Wait would spin on the core; short sleeps between tests do not.
  for (Progress(); !pending_.empty(); Progress())
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}
