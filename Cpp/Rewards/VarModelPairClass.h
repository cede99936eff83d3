#ifndef CORVAX_VAR_MODEL_PAIR_CLASS_H
#define CORVAX_VAR_MODEL_PAIR_CLASS_H

#include <string>

// A state variable a rate reward reads, by name, and the name of its model.
class VarModelPairClass {
 public:
  void SetPair(const char* variable, const char* model) {
    variable_ = variable ? variable : "";
    model_ = model ? model : "";
  }
  const char* GetVariable() const { return variable_.c_str(); }
  const char* GetModel() const { return model_.c_str(); }

 private:
  std::string variable_;
  std::string model_;
};

#endif
