#include "Random/MersenneTwister.h"

namespace {
constexpr int N = MersenneTwister::StateSize;
constexpr int M = 397;
constexpr uint32_t UpperMask = 0x80000000u;
constexpr uint32_t LowerMask = 0x7fffffffu;
constexpr double TwoToMinus32 = 1.0 / 4294967296.0;
}  // namespace

uint32_t MersenneTwister::getMatrixA(unsigned long y) { return (y & 1) ? 0x9908b0dfu : 0u; }

void MersenneTwister::srnd(unsigned long seed) {
  mt[0] = static_cast<uint32_t>(seed);
  for (int i = 1; i < N; i++)
    mt[i] = 1812433253u * (mt[i - 1] ^ (mt[i - 1] >> 30)) + static_cast<uint32_t>(i);
  index = N;
  seeded = true;
}

// The standard twist of all N words in one pass, in three stretches so that
// no index needs wrapping.
void MersenneTwister::regenerate() {
  auto twist = [](uint32_t upper, uint32_t lower, uint32_t far) {
    uint32_t y = (upper & UpperMask) | (lower & LowerMask);
    return far ^ (y >> 1) ^ getMatrixA(y);
  };
  int k = 0;
  for (; k < N - M; k++) mt[k] = twist(mt[k], mt[k + 1], mt[k + M]);
  for (; k < N - 1; k++) mt[k] = twist(mt[k], mt[k + 1], mt[k + M - N]);
  mt[N - 1] = twist(mt[N - 1], mt[0], mt[M - 1]);
  index = 0;
}

uint32_t MersenneTwister::rnd_int32() {
  if (index >= N) {
    if (!seeded) srnd(DefaultSeed);
    regenerate();
  }
  uint32_t y = mt[index++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9d2c5680u;
  y ^= (y << 15) & 0xefc60000u;
  y ^= y >> 18;
  return y;
}

double MersenneTwister::rnd() { return (static_cast<double>(rnd_int32()) + 0.5) * TwoToMinus32; }
