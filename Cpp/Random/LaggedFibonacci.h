#ifndef CORVAX_LAGGED_FIBONACCI_H
#define CORVAX_LAGGED_FIBONACCI_H

#include <cstdint>

#include "Random/RandomNumberGenerator.h"

// Knuth's floating-point lagged Fibonacci generator (long lag 100, short
// lag 37, additions modulo 1.0). Its state is one process-wide array, so all
// instances share one stream.
constexpr int LaggedFibonacciLongLag = 100;
constexpr int LaggedFibonacciShortLag = 37;

// The generator state shared by the whole process.
extern double ran_u[LaggedFibonacciLongLag];

// Seeds ran_u from the low 32 bits of seed (Knuth's first published
// seeding: two arrays u and ul, no warm-up).
void ranf_start(long seed);
// Copies the current state into aa[0..99], fills aa[100..n-1] with the
// following numbers and advances ran_u past them. Requires n >= 100.
void ranf_array(double aa[], int n);

class LaggedFibonacci : public RandomNumberGenerator {
 public:
  // Numbers handed out per refill of the output buffer.
  static constexpr int BufferSize = LaggedFibonacciLongLag;

  // Results lie in [0, 1); exactly 0.0 is possible.
  double rnd() override;
  // ranf_start(seed), then two batches; the buffer keeps the second. The
  // buffer position is process-wide and is not reset.
  void srnd(unsigned long seed) override;

  // Position of the next number in the buffer (0 before the first rnd() of
  // the process, then 1 to 100); shared by all instances.
  static int32_t bufferPosition() { return position_; }

 private:
  static inline int32_t position_ = 0;
  double buffer_[BufferSize] = {};
};

#endif
