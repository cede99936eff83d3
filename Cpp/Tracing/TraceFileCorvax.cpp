#include "Tracing/TraceFileCorvax.h"

#include <ostream>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseModelClass.h"
#include "BaseClasses/state/BaseStateVariableClass.h"
#include "Tracing/TraceModelWalk.h"

namespace {
const char* const StarLine = "**************************************";  // 38 stars
}

void TraceFileCorvax::printHeader(PVModel*) {
  if (!Out) return;
  *Out << StarLine << std::endl;
  *Out << "\t\tTRACE" << std::endl;
  *Out << StarLine << std::endl;
}

void TraceFileCorvax::printFooter() {}

void TraceFileCorvax::newBatch() {
  if (Out) *Out << "##### NEW BATCH #####" << std::endl;
}

void TraceFileCorvax::printInitialState(BaseModelClass* model) {
  if (!Out) return;
  *Out << "Initial Model State:" << std::endl;
  printState(model);
}

void TraceFileCorvax::printState(PVModel* model) {
  if (!Out) return;
  *Out << "Model State:" << std::endl;
  printState(topModelOf(model));
}

void TraceFileCorvax::printState(BaseModelClass* model) {
  if (!Out || !model) return;
  *Out << "  Model: (" << model->getModelId() << ")" << model->getName() << std::endl;
  for (BaseStateVariableClass* variable : localStateVariables(model))
    for (BaseStateVariableClass* leaf : leavesOf(variable)) printVariableLine("    ", leaf);
  for (int i = 0; i < model->GetNumberOfChildren(); i++) printState(model->GetChild(i));
}

void TraceFileCorvax::printFireAction(BaseActionClass* action, double time) {
  if (!Out || !action || Level < 1) return;
  *Out << "#### Firing: " << time << "  Action: (" << parentModelId(action) << ")"
       << parentModelName(action) << "->" << action->getName() << std::endl;
}

void TraceFileCorvax::printPreFireAction(BaseActionClass* action) {
  if (!Out || !action || Level < 2) return;
  *Out << "Enabling state before action firing:" << std::endl;
  BaseActionClass* printed = action->getPrintedAction();
  List<BaseStateVariableClass>* enabling = (printed ? printed : action)->getEnablingVariables();
  for (int i = 0; i < enabling->getNumItems(); i++) printVariableLine("  ", enabling->getItem(i));
}

void TraceFileCorvax::printPostFireAction(BaseActionClass* action, BaseActionClass* fired) {
  if (!Out || !action || Level < 1) return;
  if (!fired) fired = action;  // an action whose Fire() named no other
  *Out << "#### After: (" << parentModelId(action) << ")" << action->getName() << "->"
       << fired->getName() << std::endl;
  if (Level < 2) return;
  *Out << "Affected state after firing: " << std::endl;
  List<BaseStateVariableClass>* affected = fired->getAffectedVariables();
  for (int i = 0; i < affected->getNumItems(); i++) printVariableLine("  ", affected->getItem(i));
}

void TraceFileCorvax::printVariableLine(const char* indent, BaseStateVariableClass* variable) {
  *Out << indent << variable->getFullName() << " = ";
  variable->printStateVal(Out);
  *Out << std::endl;
}
