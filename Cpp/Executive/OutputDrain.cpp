// Observation packets, the report hand-over and the output drain.
#include "Executive/OutputDrain.h"

#include <fstream>

#include "Executive/DataPacket.h"
#include "Executive/ManagerLink.h"
#include "Executive/RecordEncoder.h"
#include "Executive/ResultFileWriter.h"
#include "Executive/RunProgress.h"
#include "Executive/RunSettings.h"

namespace {

// Average processor time per drain below which reports are collected
// instead of written at once.
constexpr double kDeferBelowSecondsPerDrain = 0.2;
// Reports always written at once before deferral may start.
constexpr int32_t kUndeferredDrains = 10;

}  // namespace

OutputDrain::OutputDrain(const RunSettings& settings, ResultFileWriter& writer, ManagerLink& link,
                         RunProgress& progress)
    : settings_(settings), writer_(writer), link_(link), progress_(progress) {}

OutputDrain::~OutputDrain() { Release(); }

DataPacket* OutputDrain::CreateDataPacket(int numPVs) const {
  auto* packet = new DataPacket(-1, -1, numPVs, settings_.ReportSize());
  packet->ClientID = settings_.ClientID();
  packet->Experiment = settings_.Experiment();
  return packet;
}

void OutputDrain::StartPackets(int numPVs) {
  primary_.reset(CreateDataPacket(numPVs));
  companion_.reset(CreateDataPacket(numPVs));
}

bool OutputDrain::CheckReportSize(double processorTime) {
  processorTime_ = processorTime;
  // After the quit command nothing more is read from the manager.
  if (link_.ShouldPoll()) link_.ListenToSimMgr();

  // The queue holds primary/companion pairs; without a primary packet there
  // is nothing to hand over.
  if (primary_ != nullptr) {
    const int numPVs = primary_->NumPVs;
    // A packet that finds no room is dropped; the deferral below keeps the
    // queue from filling up.
    if (!fullQueue_.Put(primary_.get())) primary_.reset();
    if (!fullQueue_.Put(companion_.get())) companion_.reset();
    (void)primary_.release();
    (void)companion_.release();
    const auto reuseOrCreate = [&]() {
      DataPacket* packet = nullptr;
      if (!freeQueue_.Take(packet) || packet == nullptr) packet = CreateDataPacket(numPVs);
      return packet;
    };
    primary_.reset(reuseOrCreate());
    companion_.reset(reuseOrCreate());
  }

  // Reports are collected while the run goes on and drains are cheap; a
  // finishing or stopped run writes everything it still holds.
  const int32_t drains = drainCounter_;
  if (drains > kUndeferredDrains && processorTime / drains < kDeferBelowSecondsPerDrain &&
      fullQueue_.FillCount() < fullQueue_.Capacity() && progress_.IsRunning()) {
    return false;
  }
  drainCounter_++;
  OutputThreadFunc();
  link_.DropIfLost();
  return true;
}

int OutputDrain::OutputThreadFunc() {
  DataPacket* primary = nullptr;
  while (fullQueue_.Take(primary) && primary != nullptr) {
    DataPacket* companion = nullptr;
    fullQueue_.Take(companion);

    // One record, the same bytes to the manager and to the binary file; a
    // failed send (the link's to handle) never shortens what the file gets.
    const bool toManager = link_.CanSend();
    if (toManager || writer_.BinStream() != nullptr) {
      RecordEncoder::DataRecord(*primary, record_);
      if (toManager) {
        link_.SendProcessorTime(processorTime_);
        link_.SendBytes(record_);
      }
      writer_.WriteBinaryRecord(record_);
    }
    if (std::ofstream* ascii = writer_.AsciiStream()) writer_.WriteAsciiRecord(*primary, *ascii);

    // A packet that finds no room is an empty buffer: free it rather than
    // lose track of it.
    if (!freeQueue_.Put(primary)) delete primary;
    if (companion != nullptr && !freeQueue_.Put(companion)) delete companion;
  }
  if (progress_.GetStatus() == RunProgress::Finishing && fullQueue_.IsEmpty()) progress_.Stop();
  if (std::ofstream* binStream = writer_.BinStream()) writer_.UpdateBinFileHeader(*binStream);
  return 0;
}

void OutputDrain::ResetDataPacketBuffer() {
  DataPacket* packet = nullptr;
  while (fullQueue_.Take(packet) && packet != nullptr) {
    if (!freeQueue_.Put(packet)) delete packet;
  }
}

void OutputDrain::Release() {
  fullQueue_.DeleteAll();
  freeQueue_.DeleteAll();
  primary_.reset();
  companion_.reset();
}
