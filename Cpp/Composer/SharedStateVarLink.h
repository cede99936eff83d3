#ifndef CORVAX_SHARED_STATE_VAR_LINK_H
#define CORVAX_SHARED_STATE_VAR_LINK_H

class BaseModelClass;
class BaseStateVariableClass;

// One link of the chain of variables merged into a composer's shared
// variable: the variable and the child model that holds it.
class SharedStateVarLink {
 public:
  SharedStateVarLink() = default;
  explicit SharedStateVarLink(BaseStateVariableClass* variable) : StateVar(variable) {}
  SharedStateVarLink(BaseStateVariableClass* variable, BaseModelClass* model)
      : StateVar(variable), Model(model) {}

  // True when variable is held by this link or a following one.
  bool hasStateVar(BaseStateVariableClass* variable) const;
  // Appends link, with whatever follows it, at the end of this chain.
  void addStateVarLink(SharedStateVarLink* link);
  // Frees the chain from link on.
  static void clearStateVarList(SharedStateVarLink* link);
  void printAllStateVariables() const;

  BaseStateVariableClass* StateVar = nullptr;
  BaseModelClass* Model = nullptr;
  SharedStateVarLink* Next = nullptr;
};

#endif
