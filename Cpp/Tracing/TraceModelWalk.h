#ifndef CORVAX_TRACE_MODEL_WALK_H
#define CORVAX_TRACE_MODEL_WALK_H

#include <iosfwd>
#include <string>
#include <vector>

class BaseActionClass;
class BaseModelClass;
class BaseStateVariableClass;
class PVModel;

// What the trace writers read from the model tree, in the order they print it.

// The model that the reward model wraps; null for a null reward model.
BaseModelClass* topModelOf(PVModel* model);

// The state variables of an atomic model: its places, then its read-only
// places. Empty for a composed model, whose variables are its shared ones.
std::vector<BaseStateVariableClass*> localStateVariables(BaseModelClass* model);

// The main shared variables of a composed model, in declaration order
// (entries never recorded are left out). Empty for an atomic model.
std::vector<BaseStateVariableClass*> sharedStateVariables(BaseModelClass* model);

// The leaf variables of a (possibly structured) variable, in order.
std::vector<BaseStateVariableClass*> leavesOf(BaseStateVariableClass* variable);

// The atomic model that holds an action: its id (-1 without one) and name
// ("" without one).
int parentModelId(const BaseActionClass* action);
const char* parentModelName(const BaseActionClass* action);

// What the variable's printStateVal writes.
std::string stateValueText(BaseStateVariableClass* variable);

#endif
