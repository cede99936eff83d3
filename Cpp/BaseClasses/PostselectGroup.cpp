#include "BaseClasses/PostselectGroup.h"

double PostselectGroup::Weight() { return 1.0; }
int PostselectGroup::Rank() { return 1; }
bool PostselectGroup::ReactivationPredicate() { return Members[0]->ReactivationPredicate(); }
bool PostselectGroup::ReactivationFunction() { return Members[0]->ReactivationFunction(); }
double PostselectGroup::SampleDistribution() { return Members[0]->SampleDistribution(); }

BaseActionClass* PostselectGroup::Fire() {
  // Nothing fires when no case is enabled at the firing time.
  if (!SelectAction()) return nullptr;
  BaseActionClass* fired = SelectedAction->Fire();
  SelectedAction = nullptr;
  return fired;
}
