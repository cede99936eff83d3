// The study's decoder of a simulator's byte stream: the input after its
// first byte is fed in chunks of 1 to 32 bytes (the first byte chooses),
// and every decoded message is taken out.
#include <algorithm>
#include <cstdint>

#include "MessageParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = data[0] % 32 + 1;
  MessageParser parser;
  SimulatorMessage message;
  for (std::size_t at = 1; at < size; at += chunk) {
    const bool wellFormed = parser.Feed(data + at, std::min(chunk, size - at));
    while (parser.Next(message)) {
    }
    if (!wellFormed) break;
  }
  return 0;
}
