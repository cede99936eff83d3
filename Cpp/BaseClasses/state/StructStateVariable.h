#ifndef CORVAX_STRUCT_STATE_VARIABLE_H
#define CORVAX_STRUCT_STATE_VARIABLE_H

#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "BaseClasses/state/ArrayType.h"
#include "BaseClasses/state/CompositeStateVariable.h"

// A record state variable: an ordered list of named fields, each a state
// variable with its kind. Its state is the concatenation of the fields'
// states; actions linked to it are linked to every leaf; it shares field by
// field. The field variables belong to the generated subclass.
class BaseStructStateVariable : public CompositeStateVariable {
 public:
  using Field = std::pair<BaseStateVariableClass*, ArrayType>;

  BaseStructStateVariable();
  BaseStructStateVariable(const char* name, const char* prefix);
  BaseStructStateVariable(const char* name, const char* prefix, const ArrayType* types, int n);
  ~BaseStructStateVariable() override;

  int StateSize() override;  // computed once, then cached
  // Each field at the running offset, advanced by the size of its kind.
  void SetState(void* src) override;
  void CurrentState(void* dst) override;
  void share(BaseStateVariableClass* other) override;
  void appendAffectingAction(BaseActionClass* action) override;
  void appendEnabledAction(BaseActionClass* action) override;
  // Shares field i with other's field i for every field of this record,
  // then merges the two records' action lists; other must be a record with
  // at least as many fields.
  virtual void ShareWith(BaseStateVariableClass* other);
  // The (variable, kind) entry stored for a field.
  virtual Field field(ArrayType type, BaseStateVariableClass* variable) const;

  // Appends one field per kind, without variables (set them with setField).
  void makeArrays(const ArrayType* types, int n);
  // Fields of a scalar kind must have that kind's state size (assertion).
  void appendField(BaseStateVariableClass* variable, ArrayType type);
  void setField(int i, BaseStateVariableClass* variable);
  BaseStateVariableClass* getField(int i) const { return fields[i].first; }
  ArrayType getType(int i) const { return fields[i].second; }
  int getSize() const { return static_cast<int>(fields.size()); }

 protected:
  int NumParts() const override { return getSize(); }
  BaseStateVariableClass* Part(int i) const override;

  int stateSize;
  std::vector<Field> fields;

 private:
  // The action lists of a group of shared records, and its members.
  struct ActionLists;

  // The size of the field's kind, or the field's own size for a record.
  int fieldStateSize(int i) const;
  void adoptActionLists(const std::shared_ptr<ActionLists>& kept);

  std::shared_ptr<ActionLists> actionLists_;
  int memberSlot_ = 0;  // this record's place among its group's members
};

// A generated record type: T is its plain value record (e.g. the initial
// value passed to the generated constructor).
template <class T>
class StructStateVariable : public BaseStructStateVariable {
  static_assert(std::is_trivially_copyable_v<T>, "the value record must be plain data");

 public:
  using StateType = T;
  using BaseStructStateVariable::BaseStructStateVariable;
};

#endif
