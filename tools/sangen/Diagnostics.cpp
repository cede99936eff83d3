#include "Diagnostics.h"

namespace sangen {

void Diagnostics::error(Position at, const std::string& message) {
  messages.push_back(file + ":" + std::to_string(at.line) + ":" + std::to_string(at.column) +
                     ": " + message);
}

void Diagnostics::print(std::ostream& out) const {
  for (const std::string& message : messages) out << message << '\n';
}

}  // namespace sangen
