// The study that test executables without the railway model link in (the
// simulator's constructor asks for the process's study): the base study,
// with one experiment (so that -e 0 is valid), no global variables and no
// reward model.
#include "Study/BaseStudyClass.h"

namespace {
class OneExperimentStudy : public BaseStudyClass {
 public:
  OneExperimentStudy() { NumExps = 1; }
};

BaseStudyClass* theStudy = nullptr;
}  // namespace

BaseStudyClass* GenerateStudy() {
  if (!theStudy) theStudy = new OneExperimentStudy();
  return theStudy;
}

void DestructStudy() {
  delete theStudy;
  theStudy = nullptr;
}
