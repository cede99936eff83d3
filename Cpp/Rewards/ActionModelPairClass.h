#ifndef CORVAX_ACTION_MODEL_PAIR_CLASS_H
#define CORVAX_ACTION_MODEL_PAIR_CLASS_H

#include <string>

// The action that triggers one impulse reward, by name, and the name of
// the model that holds it. Both are empty until SetPair.
class ActionModelPairClass {
 public:
  void SetPair(const char* action, const char* model) {
    Action = action ? action : "";
    Model = model ? model : "";
  }
  void SetAction(const char* action) { Action = action ? action : ""; }
  const char* GetAction() const { return Action.c_str(); }
  const char* GetModel() const { return Model.c_str(); }
  bool IsSet() const { return !Action.empty() || !Model.empty(); }

 private:
  std::string Action;
  std::string Model;
};

#endif
