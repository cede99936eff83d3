#include "support/SimulatorBuilder.h"

#include "Random/Distributions.h"
#include "Random/LaggedFibonacci.h"

SimulatorBuilder& SimulatorBuilder::SimulationType(int type) {
  settings_.SetSimulationType(type);
  return *this;
}

SimulatorBuilder& SimulatorBuilder::MaxBatches(int32_t batches) {
  settings_.SetMaxBatches(batches);
  return *this;
}

SimulatorBuilder& SimulatorBuilder::ReportSize(int32_t size) {
  settings_.SetReportSize(size);
  return *this;
}

SimulatorBuilder& SimulatorBuilder::BinaryFile(const std::string& path) {
  settings_.SetBinFileName(path);
  return *this;
}

SimulatorBuilder& SimulatorBuilder::Manager(CorvaxSocket* connected, int32_t pollMilliseconds) {
  manager_ = connected;
  pollMilliseconds_ = pollMilliseconds;
  return *this;
}

SimulatorBuilder& SimulatorBuilder::MaxFiringsAtOneTime(int64_t firings) {
  maxFiringsAtOneTime_ = firings;
  return *this;
}

BuiltSimulator SimulatorBuilder::Build() {
  // The simulator keeps the lagged Fibonacci generator it finds; a test
  // wants a fresh one.
  if (settings_.GeneratorType() == RunSettings::LaggedFibonacciGenerator &&
      TheDistribution != nullptr)
    TheDistribution->setGenerator(new LaggedFibonacci());
  BuiltSimulator built;
  built.rewardModel = std::move(model_);
  built.sim = std::make_unique<SimulatorClass>(settings_, built.rewardModel.get());
  if (manager_ != nullptr) {
    built.sim->Link().Adopt(manager_);
    built.sim->Link().SetPollTime(pollMilliseconds_);
  }
  if (maxFiringsAtOneTime_ > 0) built.sim->Loop().SetMaxFiringsAtOneTime(maxFiringsAtOneTime_);
  return built;
}
