// Stands in for the model above the executive in the executive's link
// check: the study entry points that a model, or a test, defines.
#include "Study/BaseStudyClass.h"

BaseStudyClass* GenerateStudy() { return nullptr; }
void DestructStudy() {}
