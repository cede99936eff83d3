#ifndef SAN_STUDY_MESSAGE_PARSER_H
#define SAN_STUDY_MESSAGE_PARSER_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <variant>
#include <vector>

#include "Common/ManagerProtocol.h"

// Greeting and command replies: int32 kControlLength, a marker byte, a code
// byte, pid (Common/ManagerProtocol.h).
struct ControlMessage {
  std::uint8_t marker = 0;  // kMarkerOk, or kMarkerQuit for the quit reply
  std::uint8_t code = 0;    // kPing greeting/ping, kQuit, kWriteToBinaryFile
  std::uint32_t pid = 0;

  bool IsGreeting() const {
    return marker == ManagerProtocol::kMarkerOk && code == ManagerProtocol::kPing;
  }
  bool IsQuitReply() const {
    return marker == ManagerProtocol::kMarkerQuit && code == ManagerProtocol::kQuit;
  }
};

// int32 kProcessorTimeField, byte kProcessorTimeMarker, client ID, uint16
// experiment, binary64 seconds.
struct ProcessorTimeMessage {
  std::uint8_t clientId = 0;
  std::uint16_t experiment = 0;
  double seconds = 0.0;
};

struct PVSection {
  std::uint16_t pvIndex = 0;
  std::vector<double> values;
};

// A report of observations: one section per PV that has any.
struct DataRecord {
  std::uint8_t clientId = 0;
  std::uint16_t experiment = 0;
  std::vector<PVSection> sections;
};

using SimulatorMessage = std::variant<ControlMessage, ProcessorTimeMessage, DataRecord>;

// Decodes the simulator's byte stream into messages. Chunks may split or
// join messages anywhere; each whole message is decoded as soon as its last
// byte arrives. The first malformed message stops the parser for good.
class MessageParser {
 public:
  static constexpr std::uint32_t kDefaultMaxMessageBytes = 64u << 20;

  explicit MessageParser(std::uint32_t maxMessageBytes = kDefaultMaxMessageBytes);

  // Consumes a chunk; false once the stream is malformed.
  bool Feed(const std::uint8_t* data, std::size_t size);
  // Takes the oldest decoded message; false when there is none.
  bool Next(SimulatorMessage& message);

  bool Failed() const { return !error_.empty(); }
  const std::string& Error() const { return error_; }

 private:
  void LengthComplete();
  void MessageComplete();
  bool DecodeDataRecord(DataRecord& record);
  void Fail(const std::string& what);

  std::uint32_t maxMessageBytes_;
  std::vector<std::uint8_t> current_;  // bytes of the message being collected
  std::size_t expected_ = 4;           // bytes the current stage needs
  std::uint64_t messageOffset_ = 0;    // stream offset of the current message
  std::deque<SimulatorMessage> decoded_;
  std::string error_;
};

#endif
