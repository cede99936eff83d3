#ifndef CORVAX_PRESELECT_GROUP_H
#define CORVAX_PRESELECT_GROUP_H

#include "BaseClasses/BaseGroupClass.h"

// A group that chooses its member before it is timed: the chosen case
// supplies rank, timing and reactivation, and stays chosen until the group
// fires.
class PreselectGroup : public BaseGroupClass {
 public:
  PreselectGroup() = default;

  bool Enabled() override;
  bool ReactivationPredicate() override;
  bool ReactivationFunction() override;
  double SampleDistribution() override;
  BaseActionClass* Fire() override;
  int Rank() override;
  bool SelectAction() override;

  bool needsSelection() const { return needsSelection_; }

 private:
  void selectIfNeeded() {
    if (needsSelection_) SelectAction();
  }

  bool needsSelection_ = true;
};

#endif
