#ifndef MOVINGBLOCK_CASE_GROUP_H
#define MOVINGBLOCK_CASE_GROUP_H

#include "BaseClasses/PostselectGroup.h"

// The group of an activity with two cases whose classes the model knows.
// It behaves exactly as a PostselectGroup, but the operations the executive
// asks of every affected group after each firing (the enabling, its change,
// the timing and the reactivation rules, all taken from the cases) reach
// the cases by direct calls instead of through the virtual table: the case
// classes are final, so these are the calls the virtual table would make.
// The cases of one activity share its enabling predicate (they differ only
// in weight and outcome), so the first case's evaluation is recorded in the
// second as its own Enabled() would record it. Should the members ever be
// other than the two cases, the group answers through PostselectGroup.
template <class Case1, class Case2>
class TwoCaseGroup : public PostselectGroup {
 public:
  TwoCaseGroup(Case1* first, Case2* second) : first(first), second(second) {}

  bool Enabled() override {
    if (!holdsCases()) [[unlikely]]
      return enabledAsGroup();
    const bool enabled = first->Enabled();
    second->takeEnabling(enabled);
    return enabled;
  }
  bool EnablingChange() override {
    if (!holdsCases()) return PostselectGroup::EnablingChange();
    const bool firstChanged = first->EnablingChange();
    const bool secondChanged = second->takeEnabling(first->lastEnabling());
    return firstChanged || secondChanged;
  }
  double SampleDistribution() override {
    return holdsCases() ? first->SampleDistribution() : PostselectGroup::SampleDistribution();
  }
  bool ReactivationPredicate() override {
    return holdsCases() ? first->ReactivationPredicate() : PostselectGroup::ReactivationPredicate();
  }
  bool ReactivationFunction() override {
    return holdsCases() ? first->ReactivationFunction() : PostselectGroup::ReactivationFunction();
  }

 private:
  bool holdsCases() const {
    return NumMembers == 2 && Members[0] == first && Members[1] == second;
  }
  // Kept out of line, so that the usual path stays short.
  [[gnu::noinline]] bool enabledAsGroup() { return PostselectGroup::Enabled(); }

  Case1* first;
  Case2* second;
};

#endif
