#include "Tracing/TraceFileXML.h"

#include <algorithm>
#include <limits>
#include <ostream>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/BaseModelClass.h"
#include "BaseClasses/state/BaseStateVariableClass.h"
#include "Tracing/TraceModelWalk.h"

namespace {

// Text made safe for an attribute value in double quotes.
std::string escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  // clang-format off
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  // clang-format on
  return out;
}

bool isAtomic(BaseModelClass* model) {
  return model->GetModelType() == BaseModelClass::SANModelType;
}

}  // namespace

void TraceFileXML::printHeader(PVModel* model) { printDocumentHeader(topModelOf(model)); }

void TraceFileXML::printDocumentHeader(BaseModelClass* top) {
  if (!writingHeader() || headerWritten_) return;
  headerWritten_ = true;
  *Out << "<?xml version=\"1.0\" encoding=\"utf-8\" ?>" << std::endl;
  *Out << "<!DOCTYPE Trace" << std::endl;
  *Out << "  SYSTEM \"" << DoctypeSystemId << "\">" << std::endl;
  *Out << "<Trace model=\"Example_Corvax\" generator=\"manually_generated\" >" << std::endl;
  *Out << "<Comment> Purpose of this trace: demonstration </Comment>" << std::endl;
  *Out << "<!-- TESTING declaration of processes -->" << std::endl;
  *Out << "<!-- Trace file of model Example_Corvax -->" << std::endl;
  if (top) printHeader(top, top->getModelId());
  *Out << "<Interactions>" << std::endl;
  if (top) printHeaderInteractions(top);
  *Out << "</Interactions>" << std::endl;
  *Out << "<!-- process sequence -->" << std::endl;
  *Out << "<Sequence type=\"StateActionType\">" << std::endl;
}

void TraceFileXML::printHeader(BaseModelClass* model, int parentId) {
  if (!writingHeader() || !model) return;
  const int id = model->getModelId();
  *Out << "<Process id=\"p" << id << "\" name=\"" << escaped(model->getName()) << id << "\" >"
       << std::endl;
  model->SetParentId(parentId);
  Process process{model, {}};
  if (isAtomic(model)) {
    for (int i = 0; i < model->getNumActions(); i++) {
      BaseActionClass* action = model->getAction(i);
      if (!action || touchesUsedStateName(action)) continue;  // an interaction
      printedActions_.insert(action);
      *Out << "<Action id=\"a" << action->getId() << "\" name=\"" << escaped(action->getName())
           << "\" />" << std::endl;
    }
    for (BaseStateVariableClass* variable : localStateVariables(model))
      for (BaseStateVariableClass* leaf : leavesOf(variable)) {
        if (leaf->getShared()) continue;
        process.variables.push_back(leaf);
        writeVariableDeclaration(id, leaf);
      }
  } else {
    // Names shared here are owned by the highest composer that shares them.
    for (BaseStateVariableClass* variable : sharedStateVariables(model))
      for (BaseStateVariableClass* leaf : leavesOf(variable)) {
        if (!addUsedStateName(leaf->getFullName(), id)) continue;
        process.variables.push_back(leaf);
        writeVariableDeclaration(id, leaf);
      }
  }
  *Out << "</Process>" << std::endl;
  modelMap_.push_front(std::move(process));
  for (int i = 0; i < model->GetNumberOfChildren(); i++) printHeader(model->GetChild(i), id);
}

void TraceFileXML::printHeaderInteractions(BaseModelClass* model) {
  if (!writingHeader() || !model) return;
  if (isAtomic(model)) {
    for (int i = 0; i < model->getNumActions(); i++) {
      BaseActionClass* action = model->getAction(i);
      if (!action || printedActions_.count(action)) continue;
      std::vector<int> touched;
      List<BaseStateVariableClass>* affected = action->getAffectedVariables();
      for (int k = 0; k < affected->getNumItems(); k++) {
        const std::string fullName = affected->getItem(k)->getFullName();
        if (!isUsedStateName(fullName)) continue;
        int process = getModelMap(fullName, model->getModelId());
        if (process != -1 && std::find(touched.begin(), touched.end(), process) == touched.end())
          touched.push_back(process);
      }
      *Out << "<Undiraction id=\"a" << action->getId() << "\" name=\"" << escaped(action->getName())
           << "\">" << std::endl;
      for (int process : touched) *Out << "<Touch>p" << process << "</Touch>";
      *Out << std::endl << "</Undiraction>" << std::endl;
    }
  }
  for (int i = 0; i < model->GetNumberOfChildren(); i++)
    printHeaderInteractions(model->GetChild(i));
}

int TraceFileXML::getModelMap(const std::string& fullName, int limit) const {
  for (const Process& process : modelMap_) {
    if (process.model->getModelId() > limit) continue;
    for (BaseStateVariableClass* variable : process.variables)
      if (variable->getFullName() == fullName) return process.model->getModelId();
  }
  return -1;
}

bool TraceFileXML::addUsedStateName(const std::string& name, int id) {
  for (const UsedName& used : usedStateNames_)
    if (used.name == name && used.ids.front() <= id) return false;
  usedStateNames_.push_back({name, {id}});
  return true;
}

bool TraceFileXML::isUsedStateName(const std::string& name) const {
  return std::any_of(usedStateNames_.begin(), usedStateNames_.end(),
                     [&](const UsedName& used) { return used.name == name; });
}

bool TraceFileXML::touchesUsedStateName(BaseActionClass* action) const {
  List<BaseStateVariableClass>* affected = action->getAffectedVariables();
  for (int k = 0; k < affected->getNumItems(); k++)
    if (isUsedStateName(affected->getItem(k)->getFullName())) return true;
  return false;
}

void TraceFileXML::newBatch() {
  if (batchCounter_ < std::numeric_limits<int>::max()) batchCounter_++;
  if (batchCounter_ == 1) closeDocument();
}

// A run that ends before its second batch still leaves a complete document.
void TraceFileXML::printFooter() { closeDocument(); }

void TraceFileXML::closeDocument() {
  // A document that was never opened is not closed either.
  if (!headerWritten_ || closed_ || !Out) return;
  closed_ = true;
  *Out << "</Sequence>" << std::endl;
  *Out << "</Trace>" << std::endl;
}

void TraceFileXML::printInitialState(BaseModelClass* model) {
  if (!writingSequence()) return;
  *Out << "<S>" << std::endl;
  printState(model);
  *Out << "</S>" << std::endl;
}

void TraceFileXML::printState(PVModel*) {}

void TraceFileXML::printState(BaseModelClass* model) {
  if (!writingSequence() || !model) return;
  const int id = model->getModelId();
  if (isAtomic(model)) {
    for (BaseStateVariableClass* variable : localStateVariables(model))
      for (BaseStateVariableClass* leaf : leavesOf(variable))
        if (!leaf->getShared()) writeStateValue(id, leaf);
  } else {
    for (BaseStateVariableClass* variable : sharedStateVariables(model))
      for (BaseStateVariableClass* leaf : leavesOf(variable))
        writeStateValue(getModelMap(leaf->getFullName(), id), leaf);
  }
  for (int i = 0; i < model->GetNumberOfChildren(); i++) printState(model->GetChild(i));
}

void TraceFileXML::printFireAction(BaseActionClass*, double time) {
  if (writingSequence()) firingTime_ = time;
}

void TraceFileXML::printPreFireAction(BaseActionClass*) {}

void TraceFileXML::printPostFireAction(BaseActionClass* action, BaseActionClass* fired) {
  if (!writingSequence() || !action) return;
  if (!fired) fired = action;  // an action whose Fire() named no other
  *Out << "<A id=\"a" << fired->getId() << "\" t=\"" << firingTime_ << "\">" << std::endl;
  const int modelId = parentModelId(action);
  List<BaseStateVariableClass>* affected = fired->getAffectedVariables();
  for (int k = 0; k < affected->getNumItems(); k++) {
    BaseStateVariableClass* variable = affected->getItem(k);
    *Out << "  <V id=\"p" << owningProcess(variable, modelId) << escaped(variable->getFullName())
         << "\"  val=\"" << escaped(stateValueText(variable)) << "\" />" << std::endl;
  }
  *Out << "</A>" << std::endl;
}

int TraceFileXML::owningProcess(BaseStateVariableClass* variable, int modelId) const {
  return variable->getShared() ? getModelMap(variable->getFullName(), modelId) : modelId;
}

void TraceFileXML::writeVariableDeclaration(int processId, BaseStateVariableClass* variable) {
  const std::string fullName = escaped(variable->getFullName());
  *Out << "<Var id=\"p" << processId << fullName << "\" name=\"" << fullName << "\" />"
       << std::endl;
}

void TraceFileXML::writeStateValue(int processId, BaseStateVariableClass* variable) {
  *Out << "<V id=\"p" << processId << escaped(variable->getFullName()) << "\" val=\""
       << escaped(stateValueText(variable)) << "\" />" << std::endl;
}
