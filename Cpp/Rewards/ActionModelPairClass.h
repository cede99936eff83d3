#ifndef CORVAX_ACTION_MODEL_PAIR_CLASS_H
#define CORVAX_ACTION_MODEL_PAIR_CLASS_H

#include <string>

// The action that triggers one impulse reward, by name, and the name of
// the model that holds it. Both are empty until SetPair.
class ActionModelPairClass {
 public:
  void SetPair(const char* action, const char* model) {
    action_ = action ? action : "";
    model_ = model ? model : "";
  }
  void SetAction(const char* action) { action_ = action ? action : ""; }
  const char* GetAction() const { return action_.c_str(); }
  const char* GetModel() const { return model_.c_str(); }

 private:
  std::string action_;
  std::string model_;
};

#endif
