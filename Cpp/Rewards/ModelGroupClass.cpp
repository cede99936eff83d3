#include "Rewards/ModelGroupClass.h"

#include <algorithm>

bool ModelGroupClass::IsDependentOnModel(const BaseModelClass* model) const {
  return std::find(Models.begin(), Models.end(), model) != Models.end();
}
