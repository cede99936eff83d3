#ifndef SAN_STUDY_STREAM_EXCHANGE_H
#define SAN_STUDY_STREAM_EXCHANGE_H

#include <cstddef>
#include <string>
#include <vector>

class ExperimentRun;

// Streams that run in other processes (the other ranks of an MPI run), as
// the process that folds them sees them. The runs are the experiments being
// run, in plan order, numbered from 0 alike everywhere.
class StreamExchange {
 public:
  virtual ~StreamExchange() = default;
  // Stream `stream` of run `run` runs in this process.
  virtual bool Local(std::size_t run, int stream) const = 0;
  // Hands over what arrived: replications, starts and ends of streams; the
  // failure reports of streams that failed elsewhere are appended.
  virtual void Receive(const std::vector<ExperimentRun*>& runs,
                       std::vector<std::string>& failureReports) = 0;
  // After a fold: tells the processes running the run's streams how far it
  // has folded (so that they bound their run-ahead), or that it stops.
  virtual void Publish(std::size_t run, const ExperimentRun& state) = 0;
  // A stop signal that reached another process; 0 when none did.
  virtual int TakeSignal() = 0;
  // The study is being stopped: the other processes stop their simulators.
  virtual void Interrupt(int signal) = 0;
  // Every other process has ended all its streams and said so.
  virtual bool Done() = 0;
};

#endif
