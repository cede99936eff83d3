#ifndef MOVINGBLOCK_MODEL_ACTIVITIES_H
#define MOVINGBLOCK_MODEL_ACTIVITIES_H

#include <climits>

#include "BaseClasses/Activity.h"

// The two shapes of activity this model uses. Every activity of the model
// has rank 1, rate 0, no reactivation and case weight 1.0 unless it says
// otherwise; the generated activity classes supply the enabling predicate,
// the firing, the variable links and, for timed ones, the delay.

// Fires at once: delay 0 and no distribution parameters.
class InstantaneousModelActivity : public Activity {
 public:
  double Weight() override { return 1.0; }
  double Rate() override { return 0.0; }
  bool ReactivationPredicate() override { return false; }
  bool ReactivationFunction() override { return false; }
  double SampleDistribution() override { return 0.0; }
  double* ReturnDistributionParameters() override { return nullptr; }
  int Rank() override { return 1; }
};

// Fires after a constant delay, which is also its one distribution parameter.
class DeterministicModelActivity : public Activity {
 public:
  virtual double DeterministicParamValue() = 0;

  // For the cases of one activity, which share its enabling predicate: the
  // enabling at the last evaluation, and recording an evaluation made by
  // another case as Enabled() would (returns whether the enabling changed).
  bool lastEnabling() const { return enabled; }
  bool takeEnabling(bool value) {
    const bool changed = value != enabled;
    previouslyEnabled = enabled;
    enabled = value;
    return changed;
  }

  double Weight() override { return 1.0; }
  double Rate() override { return 0.0; }
  bool ReactivationPredicate() override { return false; }
  bool ReactivationFunction() override { return false; }
  double SampleDistribution() override { return DeterministicParamValue(); }
  double* ReturnDistributionParameters() override {
    Parameters[0] = DeterministicParamValue();
    return Parameters;
  }
  int Rank() override { return 1; }

 protected:
  double Parameters[1] = {0.0};
};

// Adds one to a 16-bit place that counts messages. Beyond 32767 the marking
// would wrap around to a negative count, which silently disables every
// activity waiting for it; the run is stopped with a message instead.
[[noreturn]] void ReportCountOverflow(const char* placeName);
inline void AddOneToCount(short* mark, const char* placeName) {
  if (*mark == SHRT_MAX) ReportCountOverflow(placeName);
  *mark += 1;
}

#endif
