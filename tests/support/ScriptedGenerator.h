#ifndef MB_TEST_SCRIPTED_GENERATOR_H
#define MB_TEST_SCRIPTED_GENERATOR_H

#include <cstddef>
#include <vector>

#include "Random/MersenneTwister.h"
#include "Random/RandomNumberGenerator.h"

// A generator that returns a script of uniforms, then Mersenne Twister
// numbers of a fixed seed, and counts its draws. install() hands a new one to
// TheDistribution (which owns it) and returns it; restoreDefaultGenerator()
// puts a fresh lagged Fibonacci generator back.
class ScriptedGenerator : public RandomNumberGenerator {
 public:
  ScriptedGenerator() { stream.srnd(2024); }
  static ScriptedGenerator* install(std::vector<double> script);
  static void restoreDefaultGenerator();

  double rnd() override;
  void setScript(std::vector<double> script);  // keeps the count of draws

  int draws = 0;

 private:
  std::vector<double> values;
  std::size_t next = 0;
  MersenneTwister stream;
};

#endif
