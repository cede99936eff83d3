#ifndef CORVAX_MERSENNE_TWISTER_H
#define CORVAX_MERSENNE_TWISTER_H

#include <cstdint>

#include "Random/RandomNumberGenerator.h"

// MT19937 of Matsumoto and Nishimura. An instance that was never seeded seeds
// itself with DefaultSeed before its first output.
class MersenneTwister : public RandomNumberGenerator {
 public:
  static constexpr int StateSize = 624;
  static constexpr unsigned long DefaultSeed = 18671867;

  // (rnd_int32() + 0.5) * 2^-32: strictly between 0 and 1.
  double rnd() override;
  void srnd(unsigned long seed) override;
  // The next tempered 32-bit output.
  uint32_t rnd_int32();
  // The twist matrix term: 0x9908b0df for an odd argument, else 0.
  static uint32_t getMatrixA(unsigned long y);

 private:
  void regenerate();

  uint32_t mt_[StateSize] = {};
  bool seeded_ = false;
  int32_t index_ = StateSize;
};

#endif
