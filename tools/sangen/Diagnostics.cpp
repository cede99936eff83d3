#include "Diagnostics.h"

#include <cstdio>

namespace sangen {

namespace {

// The text with its control characters written as \xNN: one message, one
// line, whatever a file name or a model file holds.
std::string printable(const std::string& text) {
  std::string out;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02x", byte);
      out += code;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

Diagnostics::Diagnostics(const std::string& file) : file_(printable(file)) {}

void Diagnostics::error(Position at, const std::string& message) {
  if (count_++ >= kMaxMessages) return;
  messages_.push_back(file_ + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) +
                      ": " + printable(message));
}

void Diagnostics::print(std::ostream& out) const {
  for (const std::string& message : messages_) out << message << '\n';
  if (count_ > messages_.size())
    out << file_ << ": " << count_ - messages_.size() << " more errors not shown\n";
}

}  // namespace sangen
