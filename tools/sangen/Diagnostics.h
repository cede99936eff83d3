#ifndef SANGEN_DIAGNOSTICS_H
#define SANGEN_DIAGNOSTICS_H

#include <ostream>
#include <string>
#include <vector>

namespace sangen {

// A place in the model file, 1-based (0 when unknown).
struct Position {
  int line = 0;
  int column = 0;
};

// The errors found in one model file, each reported as
// "file:line:column: message" in the order they were found.
class Diagnostics {
 public:
  explicit Diagnostics(std::string file) : file_(std::move(file)) {}

  void error(Position at, const std::string& message);
  bool failed() const { return !messages_.empty(); }
  const std::vector<std::string>& errors() const { return messages_; }
  const std::string& fileName() const { return file_; }
  void print(std::ostream& out) const;

 private:
  std::string file_;
  std::vector<std::string> messages_;
};

}  // namespace sangen

#endif
