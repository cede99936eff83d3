#ifndef CORVAX_MODEL_GROUP_CLASS_H
#define CORVAX_MODEL_GROUP_CLASS_H

#include <vector>

class BaseModelClass;

// The model instances one worker depends on: slot k holds an instance of
// the worker's k-th model dependency.
class ModelGroupClass {
 public:
  void CreateModelList(int n) { models_.assign(n > 0 ? n : 0, nullptr); }
  void SetModel(int i, BaseModelClass* model) { models_[i] = model; }
  BaseModelClass* GetModel(int i) const { return models_[i]; }
  int GetNumModels() const { return static_cast<int>(models_.size()); }
  bool IsDependentOnModel(const BaseModelClass* model) const;

 private:
  std::vector<BaseModelClass*> models_;
};

#endif
