#include "Executive/RecordEncoder.h"

#include <bit>
#include <cassert>

#include "Common/ManagerProtocol.h"
#include "Executive/BigEndian.h"
#include "Executive/DataPacket.h"

namespace {
void appendBigEndian(RecordEncoder::Bytes& out, uint64_t value, int size) {
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(size));
  PutBigEndian(out.data() + at, value, size);
}
}  // namespace

void RecordEncoder::AppendInt(Bytes& out, uint32_t value) { appendBigEndian(out, value, 4); }
void RecordEncoder::AppendShort(Bytes& out, uint16_t value) { appendBigEndian(out, value, 2); }
void RecordEncoder::AppendByte(Bytes& out, uint8_t value) { out.push_back(value); }

void RecordEncoder::AppendDoubles(Bytes& out, const double* values, int n) {
  size_t at = out.size();
  out.resize(at + static_cast<size_t>(n) * ManagerProtocol::kObservationBytes);
  for (int i = 0; i < n; i++, at += ManagerProtocol::kObservationBytes)
    PutBigEndian(out.data() + at, std::bit_cast<uint64_t>(values[i]), 8);
}

void RecordEncoder::DataRecord(const DataPacket& packet, Bytes& out) {
  using namespace ManagerProtocol;
  int64_t sections = 0;
  int64_t observations = 0;
  for (int pv = 0; pv < packet.NumPVs; pv++) {
    assert(packet.Counts[pv] <= packet.Capacity);
    if (packet.Counts[pv] > 0) {
      sections++;
      observations += packet.Counts[pv];
    }
  }
  const int64_t length = static_cast<int64_t>(kRecordHeaderBytes) +
                         static_cast<int64_t>(kSectionHeaderBytes) * sections +
                         static_cast<int64_t>(kObservationBytes) * observations;
  out.clear();
  out.reserve(static_cast<size_t>(length));
  AppendInt(out, static_cast<uint32_t>(length));
  AppendByte(out, static_cast<uint8_t>(packet.ClientID & 0xFF));
  AppendShort(out, static_cast<uint16_t>(packet.Experiment));
  AppendShort(out, static_cast<uint16_t>(sections & 0xFFFF));
  for (int pv = 0; pv < packet.NumPVs; pv++) {
    const int count = packet.Counts[pv];
    if (count <= 0) continue;
    AppendShort(out, static_cast<uint16_t>(pv));
    AppendByte(out, kSectionKind);
    AppendInt(out, static_cast<uint32_t>(count));
    AppendDoubles(out, packet.ValuesOf(pv), count);
  }
}

void RecordEncoder::ProcessorTime(int32_t clientID, int32_t experiment, double seconds,
                                  Bytes& out) {
  using namespace ManagerProtocol;
  out.clear();
  AppendInt(out, kProcessorTimeField);
  AppendByte(out, kProcessorTimeMarker);
  AppendByte(out, static_cast<uint8_t>(clientID & 0xFF));
  AppendShort(out, static_cast<uint16_t>(experiment));
  AppendDoubles(out, &seconds, 1);
}

void RecordEncoder::Reply(uint8_t marker, uint8_t command, uint32_t processID, Bytes& out) {
  out.clear();
  AppendInt(out, ManagerProtocol::kControlLength);
  AppendByte(out, marker);
  AppendByte(out, command);
  AppendInt(out, processID);
}
