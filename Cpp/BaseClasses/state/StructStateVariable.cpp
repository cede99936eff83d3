#include "BaseClasses/state/StructStateVariable.h"

#include <cassert>

#include "BaseClasses/BaseActionClass.h"

// The members are kept in no particular order: a record leaves its group by
// taking the last member's place, in constant time (a group holds as many
// records as the model has copies).
struct BaseStructStateVariable::ActionLists {
  List<BaseActionClass>* affecting;
  List<BaseActionClass>* enabled;
  std::vector<BaseStructStateVariable*> members;
  ~ActionLists() {
    delete affecting;
    delete enabled;
  }
};

namespace {
BaseStateVariableClass* variableOf(const BaseStructStateVariable::Field& entry) {
  BaseStateVariableClass* fieldVariable = entry.first;
  assert(fieldVariable && "every field of a record has its variable");
  return fieldVariable;
}

void checkKind(BaseStateVariableClass* variable, ArrayType type) {
  const int scalarSize = scalarStateSize(type);
  assert((!variable || scalarSize == 0 || variable->StateSize() == scalarSize) &&
         "the state size of a field matches its ArrayType");
}
}  // namespace

BaseStructStateVariable::BaseStructStateVariable() : stateSize(0) { adoptActionLists(nullptr); }

BaseStructStateVariable::BaseStructStateVariable(const char* name, const char* prefix)
    : CompositeStateVariable(name, prefix), stateSize(-1) {
  adoptActionLists(nullptr);
}

BaseStructStateVariable::BaseStructStateVariable(const char* name, const char* prefix,
                                                 const ArrayType* types, int n)
    : BaseStructStateVariable(name, prefix) {
  makeArrays(types, n);
}

BaseStructStateVariable::~BaseStructStateVariable() {
  std::vector<BaseStructStateVariable*>& members = actionLists_->members;
  members[memberSlot_] = members.back();
  members[memberSlot_]->memberSlot_ = memberSlot_;
  members.pop_back();
  // The lists belong to the group and go with its last member.
  affectingActions = nullptr;
  enabledActions = nullptr;
}

// With null, takes the lists created by the base constructor as a new group.
void BaseStructStateVariable::adoptActionLists(const std::shared_ptr<ActionLists>& kept) {
  if (!kept) {
    actionLists_ = std::make_shared<ActionLists>();
    actionLists_->affecting = affectingActions;
    actionLists_->enabled = enabledActions;
    memberSlot_ = 0;
    actionLists_->members.push_back(this);
    return;
  }
  actionLists_ = kept;
  affectingActions = kept->affecting;
  enabledActions = kept->enabled;
  memberSlot_ = static_cast<int>(kept->members.size());
  kept->members.push_back(this);
}

BaseStructStateVariable::Field BaseStructStateVariable::field(
    ArrayType type, BaseStateVariableClass* variable) const {
  return Field(variable, type);
}

void BaseStructStateVariable::makeArrays(const ArrayType* types, int n) {
  for (int i = 0; i < n; i++) fields.push_back(field(types[i], nullptr));
  stateSize = -1;
}

void BaseStructStateVariable::appendField(BaseStateVariableClass* variable, ArrayType type) {
  checkKind(variable, type);
  fields.push_back(field(type, variable));
  stateSize = -1;
}

void BaseStructStateVariable::setField(int i, BaseStateVariableClass* variable) {
  assert(i >= 0 && i < getSize() && "field index within the record");
  checkKind(variable, fields[i].second);
  fields[i].first = variable;
  stateSize = -1;
}

BaseStateVariableClass* BaseStructStateVariable::Part(int i) const { return variableOf(fields[i]); }

int BaseStructStateVariable::fieldStateSize(int i) const {
  const int scalarSize = scalarStateSize(fields[i].second);
  return scalarSize ? scalarSize : variableOf(fields[i])->StateSize();
}

int BaseStructStateVariable::StateSize() {
  if (stateSize < 0) {
    int total = 0;
    for (int i = 0; i < getSize(); i++) total += fieldStateSize(i);
    stateSize = total;
  }
  return stateSize;
}

void BaseStructStateVariable::SetState(void* src) {
  char* buffer = static_cast<char*>(src);
  for (int i = 0; i < getSize(); i++) {
    variableOf(fields[i])->SetState(buffer);
    buffer += fieldStateSize(i);
  }
}

void BaseStructStateVariable::CurrentState(void* dst) {
  char* buffer = static_cast<char*>(dst);
  for (int i = 0; i < getSize(); i++) {
    variableOf(fields[i])->CurrentState(buffer);
    buffer += fieldStateSize(i);
  }
}

void BaseStructStateVariable::share(BaseStateVariableClass* other) {
  auto* otherStruct = dynamic_cast<BaseStructStateVariable*>(other);
  assert(otherStruct);
  ShareWith(otherStruct);
}

void BaseStructStateVariable::ShareWith(BaseStateVariableClass* other) {
  auto* otherStruct = dynamic_cast<BaseStructStateVariable*>(other);
  assert(otherStruct);
  if (otherStruct == this) return;

  auto otheri = otherStruct->fields.begin();
  for (const Field& entry : fields) {
    // The assertion text is part of the documented output: keep it unspaced.
    // clang-format off
    assert(otheri!=otherStruct->fields.end());
    // clang-format on
    variableOf(entry)->share(variableOf(*otheri));
    ++otheri;
  }

  // The actions that list the other record among their variables list this
  // one instead. They are all in the lists of the other record's group (an
  // arc links both sides), so only those are visited, not the merged lists.
  std::shared_ptr<ActionLists> given = otherStruct->actionLists_;
  for (int i = 0; i < given->affecting->getNumItems(); i++)
    given->affecting->getItem(i)->getAffectedVariables()->replaceItem(otherStruct, this);
  for (int i = 0; i < given->enabled->getNumItems(); i++)
    given->enabled->getItem(i)->getEnablingVariables()->replaceItem(otherStruct, this);

  // Other's group takes this record's lists; its own lists are freed once,
  // when the last reference to them goes.
  if (given != actionLists_) {
    affectingActions->append(given->affecting);
    enabledActions->append(given->enabled);
    for (BaseStructStateVariable* member : given->members) member->adoptActionLists(actionLists_);
    given->members.clear();
  }

  otherStruct->shared = true;
  otherStruct->stored = false;
}

void BaseStructStateVariable::appendAffectingAction(BaseActionClass* action) {
  for (const Field& entry : fields) variableOf(entry)->appendAffectingAction(action);
  affectingActions->append(action);
}

void BaseStructStateVariable::appendEnabledAction(BaseActionClass* action) {
  enabledActions->append(action);
  for (const Field& entry : fields) variableOf(entry)->appendEnabledAction(action);
}
