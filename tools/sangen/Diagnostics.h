#ifndef SANGEN_DIAGNOSTICS_H
#define SANGEN_DIAGNOSTICS_H

#include <cstddef>
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
// "file:line:column: message" in the order they were found. Only the first
// kMaxMessages are kept (a file of a million mistakes gives a screenful,
// not a million lines); the others are counted.
class Diagnostics {
 public:
  static constexpr std::size_t kMaxMessages = 100;

  // `file` as given (control characters in it are shown as \xNN).
  explicit Diagnostics(const std::string& file);

  void error(Position at, const std::string& message);
  bool failed() const { return count_ > 0; }
  // True once no further message is kept: work that only improves a
  // message (a suggestion) can be skipped.
  bool full() const { return count_ >= kMaxMessages; }
  const std::vector<std::string>& errors() const { return messages_; }
  // Every kept message, then how many more there were.
  void print(std::ostream& out) const;

 private:
  std::string file_;
  std::vector<std::string> messages_;
  std::size_t count_ = 0;
};

}  // namespace sangen

#endif
