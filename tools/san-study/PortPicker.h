#ifndef SAN_STUDY_PORT_PICKER_H
#define SAN_STUDY_PORT_PICKER_H

#include <cstdint>

// Suggests a free port to each simulator (its -p), so that simulators
// started together do not race for the same one; a simulator that finds
// its port taken moves on by itself and announces the one it bound. Ports
// stay below 32768 (the simulator keeps its port in 16 bits).
class PortPicker {
 public:
  PortPicker();
  std::uint16_t Next();

 private:
  static constexpr std::uint16_t kFirst = 20000, kLast = 32000;
  static bool Free(std::uint16_t port);
  std::uint16_t next_;
};

#endif
