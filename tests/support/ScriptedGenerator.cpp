#include "support/ScriptedGenerator.h"

#include "Random/Distributions.h"
#include "Random/LaggedFibonacci.h"

ScriptedGenerator* ScriptedGenerator::install(std::vector<double> script) {
  auto* generator = new ScriptedGenerator();
  generator->setScript(std::move(script));
  TheDistribution->setGenerator(generator);
  return generator;
}

void ScriptedGenerator::restoreDefaultGenerator() {
  TheDistribution->setGenerator(new LaggedFibonacci());
}

double ScriptedGenerator::rnd() {
  draws++;
  return next < values.size() ? values[next++] : stream.rnd();
}

void ScriptedGenerator::setScript(std::vector<double> script) {
  values = std::move(script);
  next = 0;
}
