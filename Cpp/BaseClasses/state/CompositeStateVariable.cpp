#include "BaseClasses/state/CompositeStateVariable.h"

#include <cassert>
#include <new>

#include "Common/ErrorHandler.h"

void CompositeStateVariable::printState(std::ostream* stream) {
  *stream << name << " = {" << std::endl;
  for (int i = 0; i < NumParts(); i++) Part(i)->printState(stream);
  *stream << "}" << std::endl;
}

void CompositeStateVariable::addSelfAsEnablingSVToAction(BaseActionClass* action) {
  for (int i = 0; i < NumParts(); i++) Part(i)->addSelfAsEnablingSVToAction(action);
}

void CompositeStateVariable::addSelfAsAffectedSVToAction(BaseActionClass* action) {
  for (int i = 0; i < NumParts(); i++) Part(i)->addSelfAsAffectedSVToAction(action);
}

void CompositeStateVariable::removeSelfFromEnablingSVOfAction(BaseActionClass* action) {
  for (int i = 0; i < NumParts(); i++) Part(i)->removeSelfFromEnablingSVOfAction(action);
}

void CompositeStateVariable::removeSelfFromAffectedSVOfAction(BaseActionClass* action) {
  for (int i = 0; i < NumParts(); i++) Part(i)->removeSelfFromAffectedSVOfAction(action);
}

List<BaseStateVariableClass>* CompositeStateVariable::getLeafNodes() {
  auto* leaves = new (std::nothrow) List<BaseStateVariableClass>();
  if (!leaves) MemoryAllocationError();
  for (int i = 0; i < NumParts(); i++) {
    List<BaseStateVariableClass>* childTemp = Part(i)->getLeafNodes();
    assert(childTemp);
    leaves->append(childTemp);
    delete childTemp;
  }
  return leaves;
}

int CompositeStateVariable::getNumLeafNodes() {
  int total = 0;
  for (int i = 0; i < NumParts(); i++) total += Part(i)->getNumLeafNodes();
  return total > 0 ? total : 1;
}

bool CompositeStateVariable::isLeafNode() { return NumParts() == 0; }
