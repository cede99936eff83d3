#include "Executive/ManagerCommandReader.h"

#include <limits>

#include "Common/ManagerProtocol.h"

namespace {
constexpr const char* kTerminator = ";;";
constexpr size_t kTerminatorLength = 2;
}  // namespace

ManagerCommandReader::Status ManagerCommandReader::Next(Command& command) {
  if (buffer_.empty()) return Status::Incomplete;
  const auto code = static_cast<unsigned char>(buffer_[0]);
  if (code != ManagerProtocol::kWriteToBinaryFile) {
    command.code = code;
    command.text.clear();
    buffer_.erase(0, 1);
    return Status::Ready;
  }
  // Only the first kMaxCommandText bytes after the command byte may hold
  // the terminator; the search never looks further.
  const size_t end = buffer_.find(kTerminator, 1);
  if (end != std::string::npos && end - 1 + kTerminatorLength <= ManagerProtocol::kMaxCommandText) {
    command.code = code;
    command.text = buffer_.substr(1, end - 1);
    buffer_.erase(0, end + kTerminatorLength);
    return Status::Ready;
  }
  return buffer_.size() - 1 >= ManagerProtocol::kMaxCommandText ? Status::TooLong
                                                                : Status::Incomplete;
}

size_t ManagerCommandReader::Room() const {
  const size_t limit = 1 + ManagerProtocol::kMaxCommandText;
  return buffer_.size() < limit ? limit - buffer_.size() : 0;
}

bool BinaryFileRequest::IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '/' || byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

bool BinaryFileRequest::Parse(const std::string& text, BinaryFileRequest& request,
                              std::string& reason) {
  const size_t separator = text.find(';');
  if (separator == std::string::npos) {
    reason = "no ';' between the file name and the number of replications";
    return false;
  }
  const std::string name = text.substr(0, separator);
  const std::string count = text.substr(separator + 1);
  if (!IsPlainFileName(name)) {
    reason =
        "the file name must be a plain name in the working directory (no '/', not '.' "
        "or '..', no control characters)";
    return false;
  }
  // Digits only, checked against the bound before any conversion.
  int64_t value = 0;
  bool valid = !count.empty();
  for (const char c : count) {
    if (c < '0' || c > '9') {
      valid = false;
      break;
    }
    value = value * 10 + (c - '0');
    if (value > std::numeric_limits<int32_t>::max()) {
      valid = false;
      break;
    }
  }
  if (!valid || value < 1) {
    reason = "the number of replications must be a whole number from 1 to " +
             std::to_string(std::numeric_limits<int32_t>::max());
    return false;
  }
  request.name = name;
  request.batches = static_cast<int32_t>(value);
  return true;
}
