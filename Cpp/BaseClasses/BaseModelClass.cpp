#include "BaseClasses/BaseModelClass.h"

#include <cassert>
#include <cstring>
#include <new>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/state/BaseStateVariableClass.h"
#include "Common/Allocation.h"
#include "Common/ErrorHandler.h"

double BaseModelClass::LastActionTime = 0.0;

namespace {
int nextModelId() {
  static int globalModelId = 0;
  return ++globalModelId;
}
}  // namespace

BaseModelClass::BaseModelClass() : ModelId(nextModelId()), ParentId(ModelId) { DefineName(""); }

BaseModelClass::~BaseModelClass() { delete[] Name; }

void BaseModelClass::DefineName(const char* newName) {
  char* copy = copyText(newName);
  delete[] Name;
  Name = copy;
}

int BaseModelClass::getNumStateVariables() { return NumStateVariables; }
void BaseModelClass::printState(std::ostream*) {}
void BaseModelClass::printState() { printState(&std::cout); }
BaseStateVariableClass** BaseModelClass::GetLocalStateVariables(std::ostream*) { return nullptr; }
BaseStateVariableClass** BaseModelClass::GetSharedStateVariables() { return nullptr; }

BaseStateVariableClass* BaseModelClass::getMainSharedVariable(BaseStateVariableClass*) {
  return nullptr;
}

SharedStateVarLink* BaseModelClass::getListOfSharedVariables(BaseStateVariableClass*) {
  return nullptr;
}

void BaseModelClass::AddAffectArc(BaseStateVariableClass* variable, BaseActionClass* action) {
  variable->appendAffectingAction(action);
  action->addAffectedSV(variable);
}

void BaseModelClass::AddEnableArc(BaseStateVariableClass* variable, BaseActionClass* action) {
  variable->appendEnabledAction(action);
  action->addEnablingSV(variable);
}

// Operations that every concrete node must define.
int BaseModelClass::GetModelType() {
  assert(false);
  return 0;
}

int BaseModelClass::GetNumberOfChildren() {
  assert(false);
  return 0;
}

BaseModelClass* BaseModelClass::GetChild(int) {
  assert(false);
  return nullptr;
}

void BaseModelClass::GetLocalActions(ActionSList&) { assert(false); }
void BaseModelClass::GetGlobalActions(ActionSList&) { assert(false); }

bool BaseModelClass::HasLocalState() {
  assert(false);
  return false;
}

void BaseModelClass::GetLocalState(State*) { assert(false); }
void BaseModelClass::SetLocalState(const State*) { assert(false); }
void BaseModelClass::ConstructLocalState(State*&) { assert(false); }
void BaseModelClass::DestructLocalState(State*) { assert(false); }
