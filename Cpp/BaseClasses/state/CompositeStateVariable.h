#ifndef CORVAX_COMPOSITE_STATE_VARIABLE_H
#define CORVAX_COMPOSITE_STATE_VARIABLE_H

#include <iostream>

#include "BaseClasses/state/BaseStateVariableClass.h"

// What records and arrays have in common: a state variable made of an
// ordered sequence of parts (fields or elements), each a state variable.
// It prints as a brace-enclosed list, and actions linked to it are linked to
// every leaf below it. The subclasses say what the parts are, and lay out
// and share their state (an array by a stride that SetState and
// CurrentState, which run for every replication, compute once).
class CompositeStateVariable : public BaseStateVariableClass {
 public:
  using BaseStateVariableClass::BaseStateVariableClass;

  using BaseStateVariableClass::printState;
  // "name = {", each part's printState, "}".
  void printState(std::ostream* stream) override;
  void addSelfAsEnablingSVToAction(BaseActionClass* action) override;
  void addSelfAsAffectedSVToAction(BaseActionClass* action) override;
  void removeSelfFromEnablingSVOfAction(BaseActionClass* action) override;
  void removeSelfFromAffectedSVOfAction(BaseActionClass* action) override;
  // The parts' leaves in order (the caller owns the list).
  List<BaseStateVariableClass>* getLeafNodes() override;
  // The sum of the parts' counts; 1 when that is 0.
  int getNumLeafNodes() override;
  // True without parts.
  bool isLeafNode() override;

 protected:
  virtual int NumParts() const = 0;
  // Part i, which must be set (assertion in the subclass).
  virtual BaseStateVariableClass* Part(int i) const = 0;
};

#endif
