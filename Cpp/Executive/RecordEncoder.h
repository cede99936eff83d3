#ifndef CORVAX_RECORD_ENCODER_H
#define CORVAX_RECORD_ENCODER_H

#include <cstdint>
#include <vector>

class DataPacket;

// The messages of the manager protocol (Common/ManagerProtocol.h) as bytes:
// the data record of a packet, which the binary result file holds too, the
// processor-time message, the greeting and the replies. It only encodes;
// whoever holds the bytes sends them to the manager or writes them to a
// file. Each function replaces the contents of `out`, whose capacity is
// kept: a caller that reuses one buffer allocates only when a record is
// larger than any before.
class RecordEncoder {
 public:
  using Bytes = std::vector<unsigned char>;

  static void DataRecord(const DataPacket& packet, Bytes& out);
  static void ProcessorTime(int32_t clientID, int32_t experiment, double seconds, Bytes& out);
  static void Reply(uint8_t marker, uint8_t command, uint32_t processID, Bytes& out);

  // Fields appended to `out`, big-endian.
  static void AppendInt(Bytes& out, uint32_t value);
  static void AppendShort(Bytes& out, uint16_t value);
  static void AppendByte(Bytes& out, uint8_t value);
  static void AppendDoubles(Bytes& out, const double* values, int n);
};

#endif
