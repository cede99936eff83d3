#ifndef CORVAX_MANAGER_PROTOCOL_H
#define CORVAX_MANAGER_PROTOCOL_H

#include <cstddef>
#include <cstdint>

// The protocol between a simulator and its simulation manager, as both
// sides speak it: the simulator (Executive) and the study tool include this
// header, so that a constant changes in one place only.
//
// The simulator listens on a TCP port and tells it on standard output:
//   kRegisterPrefix, the port (unsigned decimal), kRegisterSuffix, newline.
// Every integer on the wire is big-endian; a double is IEEE-754 binary64,
// big-endian. The first field of every message from the simulator counts
// the whole message, itself included (but for the processor time, below).
namespace ManagerProtocol {

inline constexpr char kRegisterPrefix[] = "REGISTER:  Port: [";
inline constexpr char kRegisterSuffix[] = "]";

// The manager's commands: one byte each. kWriteToBinaryFile is followed by
// "name;count;;", at most kMaxCommandText bytes with its ";;".
inline constexpr uint8_t kPing = 1;
inline constexpr uint8_t kQuit = 2;
inline constexpr uint8_t kWriteToBinaryFile = 3;
inline constexpr size_t kMaxCommandText = 512;

// The greeting and the replies: int32 kControlLength, a marker byte
// (kMarkerOk, or kMarkerQuit in the reply to kQuit), the command byte
// (kPing in the greeting), int32 process identifier.
inline constexpr int32_t kControlLength = 10;
inline constexpr uint8_t kMarkerOk = 0xFF;
inline constexpr uint8_t kMarkerQuit = 0xFE;

// The processor time of the run, before every data record: int32
// kProcessorTimeField, byte kProcessorTimeMarker, byte client ID (low 8
// bits), uint16 experiment, binary64 seconds; kProcessorTimeBytes in all.
inline constexpr int32_t kProcessorTimeField = 12;
inline constexpr size_t kProcessorTimeBytes = 16;
inline constexpr uint8_t kProcessorTimeMarker = 0xFE;

// A data record (also the record of the binary result file): int32 length,
// byte client ID (low 8 bits), uint16 experiment, uint16 number of
// sections; then per reward variable with observations, by ascending index:
// uint16 index, byte kSectionKind, int32 count, count binary64 values. The
// length is kRecordHeaderBytes + kSectionHeaderBytes x sections +
// kObservationBytes x observations.
inline constexpr size_t kRecordHeaderBytes = 9;
inline constexpr size_t kSectionHeaderBytes = 7;
inline constexpr uint8_t kSectionKind = 1;
inline constexpr size_t kObservationBytes = 8;

}  // namespace ManagerProtocol

#endif
