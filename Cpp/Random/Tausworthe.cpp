#include "Random/Tausworthe.h"

namespace {
// The double nearest 1 / (2^31 - 1).
constexpr double Scale = 4.656612875245797e-10;
constexpr uint32_t Low31Bits = 0x7fffffff;
}  // namespace

double Tausworthe::rnd() {
  uint32_t s = state_;
  s = ((s << 13) ^ s) & Low31Bits;
  s = (s >> 18) ^ s;
  state_ = s;
  return s * Scale;
}

void Tausworthe::srnd(unsigned long seed) {
  // Bit 31 of the state never reaches the output, and a state of 0 stays 0:
  // a seed without any of the low 31 bits would give nothing but zeros.
  uint32_t bits = static_cast<uint32_t>(seed);
  state_ = (bits & Low31Bits) != 0 ? bits : ReplacementSeed;
}
