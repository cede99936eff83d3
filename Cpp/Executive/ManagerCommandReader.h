#ifndef CORVAX_MANAGER_COMMAND_READER_H
#define CORVAX_MANAGER_COMMAND_READER_H

#include <cstddef>
#include <cstdint>
#include <string>

// Frames the simulation manager's commands out of the bytes received so far.
// A command is one byte; the binary-file command
// (ManagerProtocol::kWriteToBinaryFile) carries a text that ends with ";;"
// (at most ManagerProtocol::kMaxCommandText bytes, the ";;" included).
// Bytes after a whole command stay buffered as the start of the next one,
// so a receive that brings several commands loses none.
class ManagerCommandReader {
 public:
  enum class Status { Incomplete, Ready, TooLong };
  struct Command {
    unsigned char code = 0;
    std::string text;  // the text of command 3, without its ";;"
  };

  void Append(const char* bytes, size_t size) { buffer_.append(bytes, size); }
  // Takes the next whole command out of the buffer (Ready). Incomplete: the
  // buffer is empty or holds the start of a command 3 text; TooLong: that
  // text has no ";;" within its limit. Neither consumes anything.
  Status Next(Command& command);
  // How many more bytes a pending command 3 text may still need.
  size_t Room() const;
  bool Empty() const { return buffer_.empty(); }
  void Clear() { buffer_.clear(); }

 private:
  std::string buffer_;
};

// The text of command 3, "name;count": a plain file name in the working
// directory (no '/', not "." or "..", no control bytes) and a count of
// replications from 1 to the largest int32, digits only.
struct BinaryFileRequest {
  std::string name;
  int32_t batches = 0;

  // Fills the request from the text, or returns false with the reason.
  static bool Parse(const std::string& text, BinaryFileRequest& request, std::string& reason);
  static bool IsPlainFileName(const std::string& name);
};

#endif
