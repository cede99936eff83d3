// Observation packets, the report hand-over and the output drain.
#include "Executive/CorvaxSocket.h"
#include "Executive/DataPacket.h"
#include "Executive/PacketQueue.h"
#include "Executive/SimulatorClass.h"

namespace {

// Average processor time per drain below which reports are collected
// instead of written at once.
constexpr double kDeferBelowSecondsPerDrain = 0.2;
// Reports always written at once before deferral may start.
constexpr int32_t kUndeferredDrains = 10;

}  // namespace

DataPacket* SimulatorClass::CreateDataPacket(int numPVs) {
  auto* packet = new DataPacket(-1, -1, numPVs, settings_.ReportSize());
  packet->ClientID = settings_.ClientID();
  packet->Experiment = settings_.Experiment();
  return packet;
}

bool SimulatorClass::CheckReportSize(double processorTime) {
  ProcessorTime = processorTime;
  // After the quit command nothing more is read from the manager.
  if (ManagerSocket != nullptr && !ManagerLinkLost && !ManagerQuit) ListenToSimMgr(ManagerSocket);

  const int numPVs = Primary != nullptr ? Primary->NumPVs : NumPVs;
  // The queue holds primary/companion pairs; without a primary packet there
  // is nothing to hand over.
  if (Primary != nullptr) {
    FullQueue->Put(Primary);
    FullQueue->Put(Companion);
    Primary = Companion = nullptr;
  }
  const auto reuseOrCreate = [&]() {
    DataPacket* packet = nullptr;
    if (!FreeQueue->Take(packet) || packet == nullptr) packet = CreateDataPacket(numPVs);
    return packet;
  };
  if (Primary == nullptr) Primary = reuseOrCreate();
  if (Companion == nullptr) Companion = reuseOrCreate();

  // Reports are collected while the run goes on and drains are cheap; a
  // finishing or stopped run writes everything it still holds.
  const int32_t drains = DrainCounter;
  if (drains > kUndeferredDrains && processorTime / drains < kDeferBelowSecondsPerDrain &&
      FullQueue->FillCount() < FullQueue->Capacity() && progress_.IsRunning()) {
    return false;
  }
  DrainCounter++;
  OutputThreadFunc();
  if (ManagerLinkLost && ManagerSocket != nullptr) DropManagerSocket(ManagerSocket);
  return true;
}

int SimulatorClass::OutputThreadFunc() {
  DataPacket* primary = nullptr;
  while (FullQueue->Take(primary) && primary != nullptr) {
    DataPacket* companion = nullptr;
    FullQueue->Take(companion);

    if (ManagerSocket != nullptr && !ManagerLinkLost) {
      SendProcessorTime(ManagerSocket);
      WriteDataRecord(*primary, ManagerSocket, BinStream);
    } else if (BinStream != nullptr) {
      WriteDataRecord(*primary, nullptr, BinStream);
    }
    if (AsciiStream != nullptr) WriteAsciiRecord(*primary, *AsciiStream);

    // A packet that finds no room is an empty buffer: free it rather than
    // lose track of it.
    if (!FreeQueue->Put(primary)) delete primary;
    if (companion != nullptr && !FreeQueue->Put(companion)) delete companion;
  }
  if (progress_.GetStatus() == RunProgress::Finishing && FullQueue->IsEmpty()) progress_.Stop();
  if (BinStream != nullptr) UpdateBinFileHeader(*BinStream);
  return 0;
}

void SimulatorClass::ResetDataPacketBuffer() {
  DataPacket* packet = nullptr;
  while (FullQueue->Take(packet) && packet != nullptr) {
    if (!FreeQueue->Put(packet)) delete packet;
  }
}
