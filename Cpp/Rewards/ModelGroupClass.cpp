#include "Rewards/ModelGroupClass.h"

#include <algorithm>

bool ModelGroupClass::IsDependentOnModel(const BaseModelClass* model) const {
  return std::find(models_.begin(), models_.end(), model) != models_.end();
}
