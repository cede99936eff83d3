// The study that test executables without the railway model link in (the
// simulator's constructor asks for the process's study): the base study,
// with no experiments, no global variables and no reward model.
#include "Study/BaseStudyClass.h"

namespace {
BaseStudyClass* theStudy = nullptr;
}

BaseStudyClass* GenerateStudy() {
  if (!theStudy) theStudy = new BaseStudyClass();
  return theStudy;
}

void DestructStudy() {
  delete theStudy;
  theStudy = nullptr;
}
