#ifndef MB_TEST_CONTROLLED_ACTIVITY_H
#define MB_TEST_CONTROLLED_ACTIVITY_H

#include "BaseClasses/Activity.h"

// An activity whose enabling, rank, weight and delay are plain fields that a
// test sets; Fire() only counts. For exercising groups and the executive
// without a model.
class ControlledActivity : public Activity {
 public:
  explicit ControlledActivity(const char* name, bool isEnabled = true, int rank = 1,
                              double weight = 1.0, double delay = 1.0);

  bool Enabled() override;
  BaseActionClass* Fire() override;
  void LinkVariables() override {}
  double Weight() override { return weight; }
  int Rank() override { return rank; }
  double SampleDistribution() override { return delay; }
  bool ReactivationPredicate() override { return reactivationPredicate; }

  bool isEnabled;
  int rank;
  double weight;
  double delay;
  bool reactivationPredicate = false;
  int fireCount = 0;
  int enabledCalls = 0;
};

#endif
