#include "BaseClasses/state/StructStateVariable.h"

#include <algorithm>
#include <cassert>
#include <new>

#include "BaseClasses/BaseActionClass.h"
#include "Common/ErrorHandler.h"

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
    : BaseStateVariableClass(name, prefix), stateSize(-1) {
  adoptActionLists(nullptr);
}

BaseStructStateVariable::BaseStructStateVariable(const char* name, const char* prefix,
                                                 const ArrayType* types, int n)
    : BaseStructStateVariable(name, prefix) {
  makeArrays(types, n);
}

BaseStructStateVariable::~BaseStructStateVariable() {
  std::vector<BaseStructStateVariable*>& members = actionLists_->members;
  members.erase(std::remove(members.begin(), members.end(), this), members.end());
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
    actionLists_->members.push_back(this);
    return;
  }
  actionLists_ = kept;
  affectingActions = kept->affecting;
  enabledActions = kept->enabled;
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

int BaseStructStateVariable::fieldStateSize(const Field& entry) const {
  const int scalarSize = scalarStateSize(entry.second);
  return scalarSize ? scalarSize : variableOf(entry)->StateSize();
}

int BaseStructStateVariable::StateSize() {
  if (stateSize < 0) {
    int total = 0;
    for (const Field& entry : fields) total += fieldStateSize(entry);
    stateSize = total;
  }
  return stateSize;
}

void BaseStructStateVariable::SetState(void* src) {
  char* buffer = static_cast<char*>(src);
  for (const Field& entry : fields) {
    variableOf(entry)->SetState(buffer);
    buffer += fieldStateSize(entry);
  }
}

void BaseStructStateVariable::CurrentState(void* dst) {
  char* buffer = static_cast<char*>(dst);
  for (const Field& entry : fields) {
    variableOf(entry)->CurrentState(buffer);
    buffer += fieldStateSize(entry);
  }
}

void BaseStructStateVariable::printState(std::ostream* stream) {
  *stream << name << " = {" << std::endl;
  for (const Field& entry : fields) variableOf(entry)->printState(stream);
  *stream << "}" << std::endl;
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

void BaseStructStateVariable::addSelfAsEnablingSVToAction(BaseActionClass* action) {
  for (const Field& entry : fields) variableOf(entry)->addSelfAsEnablingSVToAction(action);
}

void BaseStructStateVariable::addSelfAsAffectedSVToAction(BaseActionClass* action) {
  for (const Field& entry : fields) variableOf(entry)->addSelfAsAffectedSVToAction(action);
}

void BaseStructStateVariable::removeSelfFromEnablingSVOfAction(BaseActionClass* action) {
  for (const Field& entry : fields) variableOf(entry)->removeSelfFromEnablingSVOfAction(action);
}

void BaseStructStateVariable::removeSelfFromAffectedSVOfAction(BaseActionClass* action) {
  for (const Field& entry : fields) variableOf(entry)->removeSelfFromAffectedSVOfAction(action);
}

List<BaseStateVariableClass>* BaseStructStateVariable::getLeafNodes() {
  auto* leaves = new (std::nothrow) List<BaseStateVariableClass>();
  if (!leaves) MemoryAllocationError();
  for (const Field& entry : fields) {
    List<BaseStateVariableClass>* childTemp = variableOf(entry)->getLeafNodes();
    assert(childTemp);
    leaves->append(childTemp);
    delete childTemp;
  }
  return leaves;
}

int BaseStructStateVariable::getNumLeafNodes() {
  int total = 0;
  for (const Field& entry : fields) total += variableOf(entry)->getNumLeafNodes();
  return total > 0 ? total : 1;
}

bool BaseStructStateVariable::isLeafNode() { return fields.empty(); }
