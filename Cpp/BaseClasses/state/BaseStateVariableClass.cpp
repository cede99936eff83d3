#include "BaseClasses/state/BaseStateVariableClass.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "BaseClasses/BaseActionClass.h"
#include "Common/Allocation.h"
#include "Common/ErrorHandler.h"

namespace {
// A name or prefix that cannot be copied: reported in the state variables'
// own words, then an orderly stop.
[[noreturn]] void nameCopyFailed() {
  std::cerr << "Not Enough Memory" << std::endl;
  std::exit(1);
}

char* copyName(const char* text) { return copyText(text, nameCopyFailed); }

List<BaseActionClass>* newActionList() {
  auto* list = new (std::nothrow) List<BaseActionClass>();
  if (!list) MemoryAllocationError();
  return list;
}
}  // namespace

BaseStateVariableClass::BaseStateVariableClass() : BaseStateVariableClass("default", "") {}

BaseStateVariableClass::BaseStateVariableClass(const char* newName, const char* newPrefix)
    : name(copyName(newName ? newName : "")),
      prefix(copyName(newPrefix ? newPrefix : "")),
      affectingActions(newActionList()),
      enabledActions(newActionList()) {}

BaseStateVariableClass::~BaseStateVariableClass() {
  delete[] name;
  delete[] prefix;
  if (stored) {
    delete affectingActions;
    delete enabledActions;
  }
}

void BaseStateVariableClass::printState(std::ostream*) {}
void BaseStateVariableClass::printState() { printState(&std::cout); }
void BaseStateVariableClass::printStateVal(std::ostream*) {}

void BaseStateVariableClass::appendAffectingAction(BaseActionClass* action) {
  affectingActions->append(action);
}
void BaseStateVariableClass::removeAffectingAction(BaseActionClass* action) {
  affectingActions->remove(action);
}
void BaseStateVariableClass::replaceAffectingAction(BaseActionClass* oldAction,
                                                    BaseActionClass* newAction) {
  affectingActions->replaceItem(oldAction, newAction);
}
void BaseStateVariableClass::appendEnabledAction(BaseActionClass* action) {
  enabledActions->append(action);
}
void BaseStateVariableClass::removeEnabledAction(BaseActionClass* action) {
  enabledActions->remove(action);
}
void BaseStateVariableClass::replaceEnabledAction(BaseActionClass* oldAction,
                                                  BaseActionClass* newAction) {
  enabledActions->replaceItem(oldAction, newAction);
}

void BaseStateVariableClass::addSelfAsEnablingSVToAction(BaseActionClass* action) {
  action->addEnablingSV(this);
}
void BaseStateVariableClass::addSelfAsAffectedSVToAction(BaseActionClass* action) {
  action->addAffectedSV(this);
}
void BaseStateVariableClass::removeSelfFromEnablingSVOfAction(BaseActionClass* action) {
  action->removeEnablingSV(this);
}
void BaseStateVariableClass::removeSelfFromAffectedSVOfAction(BaseActionClass* action) {
  action->removeAffectedSV(this);
}

List<BaseStateVariableClass>* BaseStateVariableClass::getLeafNodes() {
  auto* leaves = new (std::nothrow) List<BaseStateVariableClass>();
  if (!leaves) MemoryAllocationError();
  leaves->append(this);
  return leaves;
}
int BaseStateVariableClass::getNumLeafNodes() { return 1; }
bool BaseStateVariableClass::isLeafNode() { return true; }

void BaseStateVariableClass::SetName(const char* newName) {
  char* copy = copyName(newName ? newName : "");
  delete[] name;
  name = copy;
}

void BaseStateVariableClass::SetPrefix(const char* newPrefix) {
  char* copy = copyName(newPrefix ? newPrefix : "");
  delete[] prefix;
  prefix = copy;
}

std::string BaseStateVariableClass::getFullName() const {
  if (prefix[0] == '\0') return name;
  return std::string(prefix) + "." + name;
}

void BaseStateVariableClass::copyAffectingActions(List<BaseActionClass>* list) {
  affectingActions->append(list);
}
void BaseStateVariableClass::copyEnabledActions(List<BaseActionClass>* list) {
  enabledActions->append(list);
}

BaseActionClass* BaseStateVariableClass::getAffectingAction(int i) const {
  if (i < affectingActions->getNumItems()) return affectingActions->getItem(i);
  std::cerr << "!! BaseStateVariableClass::getAffectingAction(int): "
            << " AffectingAction index out of bounds" << std::endl;
  return nullptr;
}

BaseActionClass* BaseStateVariableClass::getEnabledAction(int i) const {
  if (i < enabledActions->getNumItems()) return enabledActions->getItem(i);
  std::cerr << "!! BaseStateVariableClass::getEnabledAction(int): "
            << " EnabledAction index out of bounds" << std::endl;
  return nullptr;
}

void BaseStateVariableClass::printAffectingActions() const {
  std::cout << "Affecting actions for " << name << ":" << std::endl;
  affectingActions->printList();
}

void BaseStateVariableClass::printEnabledActions() const {
  std::cout << "Enabled actions for " << name << ":" << std::endl;
  enabledActions->printList();
}
