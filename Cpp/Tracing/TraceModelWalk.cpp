#include "Tracing/TraceModelWalk.h"

#include <memory>
#include <sstream>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/SANModel.h"
#include "BaseClasses/state/BaseStateVariableClass.h"
#include "Rewards/PVModel.h"

BaseModelClass* topModelOf(PVModel* model) { return model ? model->getTopModel() : nullptr; }

std::vector<BaseStateVariableClass*> localStateVariables(BaseModelClass* model) {
  std::vector<BaseStateVariableClass*> variables;
  if (!model) return variables;
  // The places array holds only the places; the read-only places, which the
  // model's count of state variables includes, are kept apart.
  auto* atomic = dynamic_cast<SANModel*>(model);
  if (atomic) {
    for (int i = 0; i < atomic->getNumPlaces(); i++) variables.push_back(atomic->getPlace(i));
    for (int i = 0; i < atomic->getNumReadOnlyPlaces(); i++)
      variables.push_back(atomic->getReadOnlyPlace(i));
    return variables;
  }
  BaseStateVariableClass** places = model->GetLocalStateVariables(nullptr);
  if (places)
    for (int i = 0; i < model->getNumStateVariables(); i++) variables.push_back(places[i]);
  return variables;
}

std::vector<BaseStateVariableClass*> sharedStateVariables(BaseModelClass* model) {
  std::vector<BaseStateVariableClass*> variables;
  if (!model || model->GetModelType() == BaseModelClass::SANModelType) return variables;
  BaseStateVariableClass** shared = model->GetSharedStateVariables();
  if (!shared) return variables;
  for (int i = 0; i < model->getNumSharedStateVariables(); i++)
    if (shared[i]) variables.push_back(shared[i]);
  return variables;
}

std::vector<BaseStateVariableClass*> leavesOf(BaseStateVariableClass* variable) {
  std::vector<BaseStateVariableClass*> leaves;
  if (!variable) return leaves;
  std::unique_ptr<List<BaseStateVariableClass>> list(variable->getLeafNodes());
  if (!list) return leaves;
  for (int i = 0; i < list->getNumItems(); i++) leaves.push_back(list->getItem(i));
  return leaves;
}

int parentModelId(const BaseActionClass* action) {
  return action && action->ParentModel ? action->ParentModel->getModelId() : -1;
}

const char* parentModelName(const BaseActionClass* action) {
  return action && action->ParentModel ? action->ParentModel->getName() : "";
}

std::string stateValueText(BaseStateVariableClass* variable) {
  std::ostringstream text;
  variable->printStateVal(&text);
  return text.str();
}
