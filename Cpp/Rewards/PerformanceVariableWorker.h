#ifndef CORVAX_PERFORMANCE_VARIABLE_WORKER_H
#define CORVAX_PERFORMANCE_VARIABLE_WORKER_H

#include <string>

// Computes the rate reward of one performance variable for one combination
// of model instances (its model group, ModelGroupIndex in the variable).
// Contract of a derived worker:
//   StateReward()            sets Reward to the reward rate of the present
//                            state;
//   IntervalReward(t, T)     sets Reward (and RewardSquared) for the interval
//                            that ended at t, the latest firing being at T,
//                            and Weight, which the variable's first worker
//                            supplies to the accumulation (value += Weight x
//                            the sum of the workers' rewards).
class PerformanceVariableWorker {
 public:
  PerformanceVariableWorker() = default;
  PerformanceVariableWorker(const PerformanceVariableWorker&) = delete;
  PerformanceVariableWorker& operator=(const PerformanceVariableWorker&) = delete;
  virtual ~PerformanceVariableWorker() = default;
  virtual void StateReward() = 0;
  virtual void IntervalReward(double t, double T) = 0;
  // Reports that it cannot be asked; workers that can override it.
  virtual void CurrentReward();
  virtual void Reset();

  void DefineName(const char* name, int index);
  const char* getName() const { return Name.c_str(); }

  int ModelGroupIndex = 0;
  int SecondIndex = 0;
  std::string Name;
  int WorkerIndex = -1;
  int VariableNumber = -1;
  double Reward = 0.0;
  double RewardSquared = 0.0;
  double Weight = 0.0;
};

#endif
