// The simulator's reader of the manager's commands: the input after its
// first byte arrives in chunks of 1 to 32 bytes (the first byte chooses);
// after each chunk every whole command is taken out and the text of a
// binary-file command is parsed as the link does. A text that is too long
// ends the input, as it ends the run.
#include <algorithm>
#include <cstdint>
#include <string>

#include "Common/ManagerProtocol.h"
#include "Executive/ManagerCommandReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = data[0] % 32 + 1;
  ManagerCommandReader reader;
  ManagerCommandReader::Command command;
  for (std::size_t at = 1; at < size; at += chunk) {
    const std::size_t length = std::min({chunk, size - at, reader.Room()});
    reader.Append(reinterpret_cast<const char*>(data + at), length);
    ManagerCommandReader::Status status;
    while ((status = reader.Next(command)) == ManagerCommandReader::Status::Ready) {
      if (command.code != ManagerProtocol::kWriteToBinaryFile) continue;
      BinaryFileRequest request;
      std::string reason;
      if (BinaryFileRequest::Parse(command.text, request, reason) &&
          (request.batches < 1 || !BinaryFileRequest::IsPlainFileName(request.name)))
        __builtin_trap();  // an accepted request must be a valid one
    }
    if (status == ManagerCommandReader::Status::TooLong) break;
  }
  return 0;
}
