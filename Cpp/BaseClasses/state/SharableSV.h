#ifndef CORVAX_SHARABLE_SV_H
#define CORVAX_SHARABLE_SV_H

#include <iostream>

#include "BaseClasses/state/BaseStateVariableClass.h"
#include "BaseClasses/state/SharedPointerNode.h"

// A scalar state variable whose value lives in a heap cell that can be shared
// with other variables of the same value type (short, int or double).
//
// A share group is represented by its one member whose stored flag is true
// (the representative): it owns the cell, the two action lists and the pointer
// chain, i.e. every pointer field that points at the cell (members' value
// pointers, their aliases and actions' linked pointers). A share rewrites all
// of those once, so reading a value is always one pointer indirection.
template <class T>
class SharableSV : public BaseStateVariableClass {
 public:
  SharableSV();
  SharableSV(const char* name, const char* prefix);
  ~SharableSV() override;

  int StateSize() override { return sizeof(T); }
  void SetState(void* src) override;
  void CurrentState(void* dst) override;
  using BaseStateVariableClass::printState;
  void printState(std::ostream* stream) override;  // "name = value"
  void printStateVal(std::ostream* stream) override;
  // Merges the share groups of this variable and other, which must be a
  // SharableSV of the same T (assertion "otherSV").
  void share(BaseStateVariableClass* other) override;
  // Adds the action to the affecting list of the variable's share group.
  void appendAffectingAction(BaseActionClass* action) override;

  void ShareWith(BaseStateVariableClass* other) { share(other); }

  // Registers a pointer field of an action that must follow the variable's
  // cell (used by generated activities in LinkVariables): copies the value
  // pointer into *field, counts the field and pushes a chain node with a null
  // owner, so that later shares redirect *field together with the variable.
  void linkPointer(T** field);

  T getValue() const { return *value; }
  T* getValuePointer() const { return value; }
  // The member of the share group that keeps the storage (this when stored).
  SharableSV<T>* getRepresentative();
  const SharedPointerList<T>& getChain() const { return chain; }

 protected:
  // Registers an alias of the cell with a null owner.
  void registerAlias(T** field);

  T* value;
  SharedPointerList<T> chain;
  SharableSV<T>* representative;

 private:
  void registerOwnValue();
  void mergeInto(SharableSV<T>* survivor);
};

extern template class SharableSV<short>;
extern template class SharableSV<int>;
extern template class SharableSV<double>;

#endif
