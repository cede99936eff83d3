#include "Random/LaggedFibonacci.h"

#include <cassert>

namespace {

constexpr int KK = LaggedFibonacciLongLag;
constexpr int LL = LaggedFibonacciShortLag;
// Number of squaring rounds of the seeding after the seed bits are used up.
constexpr int TT = 70;

// (x + y) modulo 1.0 for x, y in [0, 1).
inline double mod_sum(double x, double y) {
  double sum = x + y;
  return sum - static_cast<int>(sum);
}

}  // namespace

double ran_u[LaggedFibonacciLongLag];

void ranf_array(double aa[], int n) {
  assert(n >= KK);
  int i, j;
  for (j = 0; j < KK; j++) aa[j] = ran_u[j];
  for (; j < n; j++) aa[j] = mod_sum(aa[j - KK], aa[j - LL]);
  for (i = 0; i < LL; i++, j++) ran_u[i] = mod_sum(aa[j - KK], aa[j - LL]);
  for (; i < KK; i++, j++) ran_u[i] = mod_sum(aa[j - KK], ran_u[i - LL]);
}

void ranf_start(long seed) {
  // The seed is taken as a 32-bit unsigned value, so the halving below always
  // reaches 0 and the seeding ends.
  const uint32_t seedBits = static_cast<uint32_t>(seed);
  double u[KK + KK - 1], ul[KK + KK - 1];
  const double ulp = (1.0 / (1L << 30)) / (1L << 22);  // 2^-52
  double ss = 2.0 * ulp * (static_cast<double>(seedBits) + 2);
  int j;
  for (j = 0; j < KK; j++) {
    u[j] = ss;
    ul[j] = 0.0;
    ss += ss;
    if (ss >= 1.0) ss -= 1.0 - 2 * ulp;
  }
  for (; j < KK + KK - 1; j++) u[j] = ul[j] = 0.0;
  u[1] += ulp;
  ul[1] = ulp;
  uint32_t s = seedBits;
  for (int t = TT - 1; t > 0;) {
    // Square the polynomial held in u (ul tracks the rounding parity).
    for (j = KK - 1; j > 0; j--) ul[j + j] = ul[j], u[j + j] = u[j];
    for (j = KK + KK - 2; j > KK - LL; j -= 2)
      ul[KK + KK - 1 - j] = 0.0, u[KK + KK - 1 - j] = u[j] - ul[j];
    for (j = KK + KK - 2; j >= KK; j--) {
      if (ul[j] != 0.0) {
        ul[j - (KK - LL)] = ulp - ul[j - (KK - LL)];
        u[j - (KK - LL)] = mod_sum(u[j - (KK - LL)], u[j]);
        ul[j - KK] = ulp - ul[j - KK];
        u[j - KK] = mod_sum(u[j - KK], u[j]);
      }
    }
    // Multiply by z when the current seed bit is set.
    if (s & 1) {
      for (j = KK; j > 0; j--) ul[j] = ul[j - 1], u[j] = u[j - 1];
      ul[0] = ul[KK], u[0] = u[KK];
      if (ul[KK] != 0.0) ul[LL] = ulp - ul[LL], u[LL] = mod_sum(u[LL], u[KK]);
    }
    if (s)
      s >>= 1;
    else
      t--;
  }
  for (j = 0; j < LL; j++) ran_u[j + KK - LL] = u[j];
  for (; j < KK; j++) ran_u[j - LL] = u[j];
}

double LaggedFibonacci::rnd() {
  if (position == BufferSize) {
    position = 0;
    ranf_array(buffer, BufferSize);
  }
  return buffer[position++];
}

void LaggedFibonacci::srnd(unsigned long seed) {
  ranf_start(static_cast<long>(seed & 0xffffffffUL));
  ranf_array(buffer, BufferSize);
  ranf_array(buffer, BufferSize);
}
