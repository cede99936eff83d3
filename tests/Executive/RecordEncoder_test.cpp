// The bytes of the manager protocol's messages, hand-assembled field by
// field from the protocol's description.
#include "Executive/RecordEncoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Executive/DataPacket.h"

namespace {
std::string text(const RecordEncoder::Bytes& bytes) { return {bytes.begin(), bytes.end()}; }
}  // namespace

TEST(RecordEncoder, DataRecordsAreBigEndianWithOneSectionPerObservedPV) {
  RecordEncoder::Bytes bytes{'o', 'l', 'd'};  // replaced, not appended to
  DataPacket empty(0x1234, 7, 2, 3);
  RecordEncoder::DataRecord(empty, bytes);
  EXPECT_EQ(text(bytes), std::string("\0\0\0\x09\x34\0\x07\0\0", 9));

  // PVs 0 and 2 of three have observations; PV 1 has none.
  DataPacket packet(0x1234, 7, 3, 4);
  packet.Counts[0] = 2;
  packet.ValuesOf(0)[0] = 1.5;
  packet.ValuesOf(0)[1] = 2.0;
  packet.Counts[2] = 1;
  packet.ValuesOf(2)[0] = -2.5;
  RecordEncoder::DataRecord(packet, bytes);
  EXPECT_EQ(text(bytes),
            std::string("\0\0\0\x2f\x34\0\x07\0\x02", 9) +                   // 9 + 7*2 + 8*3 = 47
                std::string("\0\0\x01\0\0\0\x02", 7) +                       // PV 0, kind 1, n 2
                std::string("\x3f\xf8\0\0\0\0\0\0\x40\0\0\0\0\0\0\0", 16) +  // 1.5, 2.0
                std::string("\0\x02\x01\0\0\0\x01", 7) +                     // PV 2, kind 1, n 1
                std::string("\xc0\x04\0\0\0\0\0\0", 8));                     // -2.5
}

TEST(RecordEncoder, ProcessorTimeGreetingAndReplies) {
  RecordEncoder::Bytes bytes;
  // Field 12, marker 0xFE, client ID's low byte, experiment, 1.5 s.
  RecordEncoder::ProcessorTime(0x1234, 258, 1.5, bytes);
  EXPECT_EQ(text(bytes), std::string("\0\0\0\x0c\xfe\x34\x01\x02\x3f\xf8\0\0\0\0\0\0", 16));
  // Length 10, marker, command, process identifier.
  RecordEncoder::Reply(0xFE, 2, 0x01020304, bytes);
  EXPECT_EQ(text(bytes), std::string("\0\0\0\x0a\xfe\x02\x01\x02\x03\x04", 10));
}
