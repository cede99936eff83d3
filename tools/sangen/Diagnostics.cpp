#include "Diagnostics.h"

namespace sangen {

void Diagnostics::error(Position at, const std::string& message) {
  messages_.push_back(file_ + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) +
                      ": " + message);
}

void Diagnostics::print(std::ostream& out) const {
  for (const std::string& message : messages_) out << message << '\n';
}

}  // namespace sangen
