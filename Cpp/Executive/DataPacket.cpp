#include "Executive/DataPacket.h"

#include <cassert>

DataPacket::DataPacket(int32_t clientID, int32_t experiment, int32_t numPVs, int32_t capacity)
    : ClientID(clientID), Experiment(experiment), NumPVs(numPVs), Capacity(capacity) {
  assert(numPVs >= 0 && capacity >= 0);
  Counts = new int32_t[numPVs]();
  Values = new double[static_cast<int64_t>(numPVs) * capacity]();
}

DataPacket::~DataPacket() {
  delete[] Counts;
  delete[] Values;
}
