#include "BaseClasses/PreselectGroup.h"

bool PreselectGroup::Enabled() {
  selectIfNeeded();
  return BaseGroupClass::Enabled();
}

bool PreselectGroup::ReactivationPredicate() {
  selectIfNeeded();
  return SelectedAction->ReactivationPredicate();
}

bool PreselectGroup::ReactivationFunction() {
  selectIfNeeded();
  return SelectedAction->ReactivationFunction();
}

double PreselectGroup::SampleDistribution() {
  selectIfNeeded();
  return SelectedAction->SampleDistribution();
}

int PreselectGroup::Rank() {
  selectIfNeeded();
  return SelectedAction->Rank();
}

BaseActionClass* PreselectGroup::Fire() {
  needsSelection_ = true;
  return SelectedAction ? SelectedAction->Fire() : nullptr;
}

bool PreselectGroup::SelectAction() {
  const bool selected = BaseGroupClass::SelectAction();
  needsSelection_ = !selected;
  return selected;
}
