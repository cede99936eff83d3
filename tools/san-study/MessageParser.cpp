#include "MessageParser.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {
constexpr std::size_t kControlBytes = ManagerProtocol::kControlLength;
constexpr std::size_t kProcessorTimeField = ManagerProtocol::kProcessorTimeField;
constexpr std::size_t kProcessorTimeBytes = ManagerProtocol::kProcessorTimeBytes;
constexpr std::size_t kRecordHeaderBytes = ManagerProtocol::kRecordHeaderBytes;
constexpr std::size_t kSectionHeaderBytes = ManagerProtocol::kSectionHeaderBytes;

std::uint32_t ReadU32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}
std::uint16_t ReadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
double ReadDouble(const std::uint8_t* p) {
  std::uint64_t bits = (std::uint64_t{ReadU32(p)} << 32) | ReadU32(p + 4);
  return std::bit_cast<double>(bits);
}
}  // namespace

MessageParser::MessageParser(std::uint32_t maxMessageBytes) : maxMessageBytes_(maxMessageBytes) {}

bool MessageParser::Feed(const std::uint8_t* data, std::size_t size) {
  while (size > 0 && !Failed()) {
    const std::size_t take = std::min(expected_ - current_.size(), size);
    current_.insert(current_.end(), data, data + take);
    data += take;
    size -= take;
    if (current_.size() < expected_) break;
    if (expected_ == 4) {
      LengthComplete();
    }
    if (!Failed() && current_.size() == expected_) MessageComplete();
  }
  return !Failed();
}

bool MessageParser::Next(SimulatorMessage& message) {
  if (decoded_.empty()) return false;
  message = std::move(decoded_.front());
  decoded_.pop_front();
  return true;
}

// The first field tells the kind: 10 a control message, 12 the 16-byte
// processor-time message, otherwise the length of a data record (9 for an
// empty record, at least 24 with one observation).
void MessageParser::LengthComplete() {
  const std::int32_t field = static_cast<std::int32_t>(ReadU32(current_.data()));
  if (field == kControlBytes) {
    expected_ = kControlBytes;
  } else if (field == kProcessorTimeField) {
    expected_ = kProcessorTimeBytes;
  } else if (field == kRecordHeaderBytes ||
             (field >= static_cast<std::int32_t>(kRecordHeaderBytes + kSectionHeaderBytes + 8) &&
              static_cast<std::uint32_t>(field) <= maxMessageBytes_)) {
    expected_ = static_cast<std::size_t>(field);
  } else {
    Fail("invalid length field " + std::to_string(field));
  }
}

void MessageParser::MessageComplete() {
  const std::uint8_t* b = current_.data();
  if (ReadU32(b) == kControlBytes) {
    ControlMessage m{b[4], b[5], ReadU32(b + 6)};
    const bool known =
        (m.marker == ManagerProtocol::kMarkerOk &&
         (m.code == ManagerProtocol::kPing || m.code == ManagerProtocol::kWriteToBinaryFile)) ||
        m.IsQuitReply();
    if (!known)
      return Fail("unknown control message (marker " + std::to_string(m.marker) + ", code " +
                  std::to_string(m.code) + ")");
    decoded_.emplace_back(m);
  } else if (ReadU32(b) == kProcessorTimeField) {
    if (b[4] != ManagerProtocol::kProcessorTimeMarker)
      return Fail("processor-time message without its 0xFE marker");
    ProcessorTimeMessage m{b[5], ReadU16(b + 6), ReadDouble(b + 8)};
    if (!std::isfinite(m.seconds) || m.seconds < 0) return Fail("invalid processor time");
    decoded_.emplace_back(m);
  } else {
    DataRecord record;
    if (!DecodeDataRecord(record)) return;
    decoded_.emplace_back(std::move(record));
  }
  messageOffset_ += current_.size();
  current_.clear();
  expected_ = 4;
}

bool MessageParser::DecodeDataRecord(DataRecord& record) {
  const std::uint8_t* b = current_.data();
  const std::size_t length = current_.size();
  record.clientId = b[4];
  record.experiment = ReadU16(b + 5);
  const unsigned sectionCount = ReadU16(b + 7);
  std::size_t at = kRecordHeaderBytes;
  for (unsigned s = 0; s < sectionCount; s++) {
    if (length - at < kSectionHeaderBytes) {
      Fail("data record ends inside the header of section " + std::to_string(s));
      return false;
    }
    PVSection section;
    section.pvIndex = ReadU16(b + at);
    const std::uint8_t kind = b[at + 2];
    const std::int32_t count = static_cast<std::int32_t>(ReadU32(b + at + 3));
    at += kSectionHeaderBytes;
    if (kind != ManagerProtocol::kSectionKind) {
      Fail("section kind " + std::to_string(kind) + " (expected 1)");
      return false;
    }
    if (!record.sections.empty() && section.pvIndex <= record.sections.back().pvIndex) {
      Fail("PV sections out of order");
      return false;
    }
    if (count < 1 || static_cast<std::size_t>(count) > (length - at) / 8) {
      Fail("section of PV " + std::to_string(section.pvIndex) + " claims " + std::to_string(count) +
           " observations, which do not fit the record");
      return false;
    }
    section.values.resize(static_cast<std::size_t>(count));
    for (double& value : section.values) {
      value = ReadDouble(b + at);
      at += 8;
      if (!std::isfinite(value)) {
        Fail("observation of PV " + std::to_string(section.pvIndex) + " is not a finite number");
        return false;
      }
    }
    record.sections.push_back(std::move(section));
  }
  if (at != length) {
    Fail("data record length " + std::to_string(length) + " does not match its " +
         std::to_string(sectionCount) + " sections");
    return false;
  }
  return true;
}

void MessageParser::Fail(const std::string& what) {
  error_ = "malformed message at byte " + std::to_string(messageOffset_) + ": " + what;
}
