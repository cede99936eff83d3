#ifndef SAN_STUDY_MPI_MPI_LINK_H
#define SAN_STUDY_MPI_MPI_LINK_H

#include <mpi.h>

#include <list>
#include <vector>

// The messages of one rank to the others, without ever waiting: sends are
// started and their buffers kept until MPI reports them done; receives
// take a message only once one has arrived. A rank with nothing to do
// therefore sleeps in poll() between looks, and burns no core its
// simulators need.
class MpiLink {
 public:
  explicit MpiLink(MPI_Comm comm);
  ~MpiLink();
  MpiLink(const MpiLink&) = delete;
  MpiLink& operator=(const MpiLink&) = delete;

  int Rank() const { return rank_; }
  int Size() const { return size_; }
  MPI_Comm Comm() const { return comm_; }

  void Send(int destination, std::vector<char> bytes);
  // The next message that has arrived from any rank, or false.
  bool Receive(std::vector<char>& bytes, int& source);
  // Lets MPI finish sends, and frees their buffers.
  void Progress();
  // Waits for every send started (the receivers take messages until the
  // last one of the protocol, so this ends).
  void FinishSends();

 private:
  struct PendingSend {
    MPI_Request request;
    std::vector<char> bytes;
  };
  static constexpr int kTag = 17;
  MPI_Comm comm_;
  int rank_ = 0, size_ = 1;
  std::list<PendingSend> pending_;  // a list: the buffers must not move
};

#endif
