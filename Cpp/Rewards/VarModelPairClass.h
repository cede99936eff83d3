#ifndef CORVAX_VAR_MODEL_PAIR_CLASS_H
#define CORVAX_VAR_MODEL_PAIR_CLASS_H

#include <string>

// A state variable a rate reward reads, by name, and the name of its model.
class VarModelPairClass {
 public:
  void SetPair(const char* variable, const char* model) {
    Variable = variable ? variable : "";
    Model = model ? model : "";
  }
  const char* GetVariable() const { return Variable.c_str(); }
  const char* GetModel() const { return Model.c_str(); }

 private:
  std::string Variable;
  std::string Model;
};

#endif
