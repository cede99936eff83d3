#include "BaseClasses/Activity.h"

Activity::Activity() {
  Disabled = true;
  Reactivation = false;
  SelectedAction = this;
}

void Activity::ActivityInitialize(const char* name, int groupId, Distribution dist,
                                  ExecutionPolicyType policy, bool reactivation) {
  BaseGroupClassInitialize(name, groupId, dist, policy, 0, 0, reactivation);
}

double Activity::Weight() { return BaseActionClass::Weight(); }
double Activity::Rate() { return BaseActionClass::Rate(); }
bool Activity::ReactivationPredicate() { return BaseActionClass::ReactivationPredicate(); }
bool Activity::ReactivationFunction() { return BaseActionClass::ReactivationFunction(); }
double Activity::SampleDistribution() { return BaseActionClass::SampleDistribution(); }
int Activity::Rank() { return BaseActionClass::Rank(); }

bool Activity::EnablingChange() {
  const bool before = enabled;
  return Enabled() != before;
}

double Activity::Probability(BaseActionClass* action) { return action == this ? 1.0 : 0.0; }

bool Activity::SelectAction() { return Enabled(); }

void Activity::setGroupId(int groupId) { GroupId = groupId; }

bool Activity::IsAnAffectingStateVariable(BaseStateVariableClass* variable) {
  return getAffectedVariables()->contains(variable);
}
