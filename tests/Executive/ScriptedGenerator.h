#ifndef TESTS_EXECUTIVE_SCRIPTED_GENERATOR_H
#define TESTS_EXECUTIVE_SCRIPTED_GENERATOR_H

#include <vector>

#include "Random/Distributions.h"
#include "Random/RandomNumberGenerator.h"

// A generator that hands out a fixed script of uniforms (repeating it) and
// counts the draws.
class ScriptedGenerator : public RandomNumberGenerator {
 public:
  explicit ScriptedGenerator(std::vector<double> script) : script(std::move(script)) {}
  double rnd() override { return script[draws++ % script.size()]; }
  std::vector<double> script;
  int draws = 0;
};

// Points TheDistribution at a private distributions object that draws from
// a ScriptedGenerator while the guard lives; restores the old pointer after.
class ScriptedDistribution {
 public:
  explicit ScriptedDistribution(std::vector<double> script)
      : generator(new ScriptedGenerator(std::move(script))), saved(TheDistribution) {
    local.setGenerator(generator);
    TheDistribution = &local;
  }
  ~ScriptedDistribution() { TheDistribution = saved; }
  int Draws() const { return generator->draws; }

 private:
  UserDistributions local;
  ScriptedGenerator* generator;  // owned by local
  UserDistributions* saved;
};

#endif
