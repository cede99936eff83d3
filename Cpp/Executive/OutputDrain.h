#ifndef CORVAX_OUTPUT_DRAIN_H
#define CORVAX_OUTPUT_DRAIN_H

#include <cstdint>
#include <memory>
#include <vector>

#include "Executive/PacketQueue.h"

class DataPacket;
class ManagerLink;
class ResultFileWriter;
class RunProgress;
class RunSettings;

// The output side of the simulation loops: the two current packets (primary
// and companion) into which the loops write their observations, the hand-
// over of a report (CheckReportSize), and the drain (OutputThreadFunc) that
// writes the queued reports to the manager, the binary file and the ASCII
// file. Packets circulate between the current slots, the full queue and the
// free queue; new ones are made only when the free queue runs dry.
//
// Once ten drains have run, reports are collected while the run's processor
// time per drain stays below 0.2 s, until the full queue is full or the run
// is finishing: a fast model then pays for one drain per 25 reports.
class OutputDrain {
 public:
  static constexpr int32_t QueueCapacity = 50;

  OutputDrain(const RunSettings& settings, ResultFileWriter& writer, ManagerLink& link,
              RunProgress& progress);
  OutputDrain(const OutputDrain&) = delete;
  OutputDrain& operator=(const OutputDrain&) = delete;
  // Deletes every packet (Release).
  ~OutputDrain();

  // A packet of the run's report size, client ID and experiment.
  DataPacket* CreateDataPacket(int numPVs) const;
  // Fresh primary and companion packets for a loop that starts.
  void StartPackets(int numPVs);
  DataPacket& Primary() { return *primary_; }
  DataPacket& Companion() { return *companion_; }

  // Hands the current packets over (after polling the manager) and takes
  // new ones; drains unless the report may wait. True when it drained.
  bool CheckReportSize(double processorTime);
  // Writes and recycles every queued report; ends a finishing run whose
  // queue is empty; rewrites the binary header. Returns 0.
  int OutputThreadFunc();
  // Moves every queued packet back to the free queue unwritten.
  void ResetDataPacketBuffer();
  // Deletes every packet, queued or current.
  void Release();

  int32_t DrainCounter() const { return drainCounter_; }
  double ProcessorTime() const { return processorTime_; }
  PacketQueue& FullQueue() { return fullQueue_; }
  PacketQueue& FreeQueue() { return freeQueue_; }

 private:
  const RunSettings& settings_;
  ResultFileWriter& writer_;
  ManagerLink& link_;
  RunProgress& progress_;
  PacketQueue freeQueue_{QueueCapacity};
  PacketQueue fullQueue_{QueueCapacity};
  std::unique_ptr<DataPacket> primary_;
  std::unique_ptr<DataPacket> companion_;
  // The bytes of the record being written, kept between drains so that
  // encoding allocates only for a record larger than any before.
  std::vector<unsigned char> record_;
  int32_t drainCounter_ = 1;
  double processorTime_ = 0.0;
};

#endif
