#ifndef CORVAX_ARRAY_STATE_VARIABLE_H
#define CORVAX_ARRAY_STATE_VARIABLE_H

#include <cstddef>
#include <vector>

#include "BaseClasses/state/ArrayType.h"
#include "BaseClasses/state/CompositeStateVariable.h"

// Writes "Runtime error: index out of bounds. <name>[0..<size-1>] indexed
// with <index>" to standard error and ends the process with status 1.
[[noreturn]] void ArrayIndexOutOfBounds(const char* arrayName, int size, int index);

// An array state variable: an ordered list of elements of one kind. Its state
// is the concatenation of the elements' states; actions linked to it are
// linked to every element's leaves; it shares element by element (the array
// object itself keeps its flags and lists). The element variables belong to
// the generated subclass.
class BaseArrayStateVariable : public CompositeStateVariable {
 public:
  BaseArrayStateVariable();
  BaseArrayStateVariable(const char* name, const char* prefix);
  // n element slots, all unset (a negative n counts as 0).
  BaseArrayStateVariable(const char* name, const char* prefix, ArrayType type, int n);
  ~BaseArrayStateVariable() override;

  int StateSize() override;
  // Element k at offset k times the first element's size.
  void SetState(void* src) override;
  void CurrentState(void* dst) override;
  void share(BaseStateVariableClass* other) override;
  void appendAffectingAction(BaseActionClass* TheAction) override;
  void appendEnabledAction(BaseActionClass* TheAction) override;
  // Element i shares with other's element i, for every element of this
  // array; other must be an array with at least as many elements.
  virtual void ShareWith(BaseStateVariableClass* other);

  ArrayType getType() const { return elementType; }
  int getSize() const { return static_cast<int>(fields.size()); }

 protected:
  int NumParts() const override { return getSize(); }
  BaseStateVariableClass* Part(int i) const override;
  // Elements of a scalar kind must have that kind's state size (assertion).
  void setElement(int i, BaseStateVariableClass* element);
  // Fills the first unset slot, or adds a slot when all are set.
  void appendElement(BaseStateVariableClass* element);

  ArrayType elementType;
  std::vector<BaseStateVariableClass*> fields;

 private:
  int firstUnset_ = 0;
};

// A generated array type whose elements are of class T (a place, a typed
// place or a record type). Element access is bounds-checked and O(1).
template <class T>
class ArrayStateVariable : public BaseArrayStateVariable {
 public:
  using ElementType = T;
  using BaseArrayStateVariable::BaseArrayStateVariable;

  T* Index(int i) {
    if (static_cast<std::size_t>(i) >= fields.size()) ArrayIndexOutOfBounds(name, getSize(), i);
    return static_cast<T*>(fields[i]);
  }
  T* operator[](int i) { return Index(i); }

  void setElement(int i, T* element) { BaseArrayStateVariable::setElement(i, element); }
  void appendElement(T* element) { BaseArrayStateVariable::appendElement(element); }
  // Destroys every element and leaves its slot unset (for the owners' destructors).
  void destroyElements() {
    for (BaseStateVariableClass*& element : fields) {
      delete static_cast<T*>(element);
      element = nullptr;
    }
  }
};

#endif
