#ifndef CORVAX_ACTIVITY_H
#define CORVAX_ACTIVITY_H

#include "BaseClasses/BaseGroupClass.h"

// A stochastic activity of an atomic model: a group that stands for itself
// (its selected action is the activity). Generated subclasses supply the
// enabling predicate, timing, case weight, firing and variable links.
class Activity : public BaseGroupClass {
 public:
  Activity();

  void ActivityInitialize(const char* name, int groupId, Distribution dist,
                          ExecutionPolicyType policy, bool reactivation);

  // Generated: copy enabled into previouslyEnabled, evaluate the predicate,
  // store it in enabled and return it.
  bool Enabled() override = 0;
  // Generated: apply the arcs' effects and return the activity itself.
  BaseActionClass* Fire() override = 0;
  // Generated: copy each used variable's value pointer into the activity and
  // register that pointer with the variable, so that later shares redirect it.
  virtual void LinkVariables() = 0;

  // Defaults of a plain action, for activities that do not define them
  // (the group versions would ask the activity itself again).
  double Weight() override;
  double Rate() override;
  bool ReactivationPredicate() override;
  bool ReactivationFunction() override;
  double SampleDistribution() override;
  int Rank() override;

  bool EnablingChange() override;
  double Probability(BaseActionClass* action) override;
  bool SelectAction() override;
  void setGroupId(int groupId) override;

  bool IsAnAffectingStateVariable(BaseStateVariableClass* variable);

  // Where the activity is declared in its model file ("model.yaml:12"), for
  // a tool that describes the model's activities; empty when unknown.
  // Generated activities return their place; nothing in a run asks.
  virtual const char* ModelFilePosition() const { return ""; }

  // The enabled and previously-enabled flags that Enabled() maintains are
  // BaseActionClass's enabled and previouslyEnabled.
};

#endif
