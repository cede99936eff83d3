#ifndef CORVAX_POSTSELECT_GROUP_H
#define CORVAX_POSTSELECT_GROUP_H

#include "BaseClasses/BaseGroupClass.h"

// A group timed by its first member that chooses the case to fire only when
// it fires.
class PostselectGroup : public BaseGroupClass {
 public:
  PostselectGroup() { DeclareUnitWeight(); }

  // Always 1.0: the group's cases are weighed only when it fires.
  double Weight() final;
  bool ReactivationPredicate() override;
  bool ReactivationFunction() override;
  double SampleDistribution() override;
  BaseActionClass* Fire() override;
  int Rank() override;
};

#endif
