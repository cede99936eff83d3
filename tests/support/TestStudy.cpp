#include "support/TestStudy.h"

namespace {
TestStudy::Factory& factory() {
  static TestStudy::Factory theFactory;
  return theFactory;
}
BaseStudyClass* theStudy = nullptr;
}  // namespace

BaseStudyClass* GenerateStudy() {
  if (!theStudy) theStudy = new TestStudy();
  return theStudy;
}

void DestructStudy() {
  delete theStudy;
  theStudy = nullptr;
}

void TestStudy::SetRewardModelFactory(Factory newFactory) { factory() = std::move(newFactory); }

TestStudy::TestStudy() { NumExps = 1; }

PVModel* TestStudy::GetPVModel(bool expandTimes) {
  delete ThePVModel;
  ThePVModel = factory() ? factory()(expandTimes) : nullptr;
  return ThePVModel;
}

void TestStudy::SetGVs(int) {}
