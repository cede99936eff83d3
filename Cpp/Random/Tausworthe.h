#ifndef CORVAX_TAUSWORTHE_H
#define CORVAX_TAUSWORTHE_H

#include <cstdint>

#include "Random/RandomNumberGenerator.h"

// 31-bit Tausworthe shift-register generator. Results lie in [0, 1]; both
// ends can occur exactly.
class Tausworthe : public RandomNumberGenerator {
 public:
  // The seed used in place of one whose low 31 bits are all zero, which would
  // leave the state at 0 and make every number 0.
  static constexpr uint32_t ReplacementSeed = 31415;

  double rnd() override;
  void srnd(unsigned long seed) override;

 private:
  uint32_t state_ = 0;
};

#endif
