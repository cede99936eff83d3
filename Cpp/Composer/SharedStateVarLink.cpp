#include "Composer/SharedStateVarLink.h"

#include <iostream>

#include "BaseClasses/state/BaseStateVariableClass.h"

bool SharedStateVarLink::hasStateVar(BaseStateVariableClass* variable) const {
  for (const SharedStateVarLink* link = this; link; link = link->Next)
    if (link->StateVar == variable) return true;
  return false;
}

void SharedStateVarLink::addStateVarLink(SharedStateVarLink* link) {
  SharedStateVarLink* last = this;
  while (last->Next) last = last->Next;
  last->Next = link;
}

void SharedStateVarLink::clearStateVarList(SharedStateVarLink* link) {
  while (link) {
    SharedStateVarLink* next = link->Next;
    delete link;
    link = next;
  }
}

void SharedStateVarLink::printAllStateVariables() const {
  for (const SharedStateVarLink* link = this; link; link = link->Next)
    std::cout << "      This link holds state var "
              << (link->StateVar ? link->StateVar->getName() : "") << " at address "
              << static_cast<const void*>(link->StateVar) << std::endl;
}
