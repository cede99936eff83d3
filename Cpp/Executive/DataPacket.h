#ifndef CORVAX_DATA_PACKET_H
#define CORVAX_DATA_PACKET_H

#include <cstdint>

// The observations of one report: for each reward variable (PV) i a count
// and up to Capacity values, observation k of PV i at Values[i * Capacity + k].
class DataPacket {
 public:
  DataPacket(int32_t clientID, int32_t experiment, int32_t numPVs, int32_t capacity);
  DataPacket(const DataPacket&) = delete;
  DataPacket& operator=(const DataPacket&) = delete;
  ~DataPacket();

  double* ValuesOf(int pv) { return Values + static_cast<int64_t>(pv) * Capacity; }
  const double* ValuesOf(int pv) const { return Values + static_cast<int64_t>(pv) * Capacity; }

  int32_t ClientID;
  int32_t Experiment;
  int32_t NumPVs;
  int32_t Capacity;
  int32_t* Counts;  // NumPVs entries, 0 after construction
  double* Values;   // NumPVs * Capacity entries, 0.0 after construction
};

#endif
