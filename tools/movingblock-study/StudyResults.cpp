#include "StudyResults.h"

#include <algorithm>

bool StudyResult::AnyFailure() const {
  return std::any_of(experiments.begin(), experiments.end(),
                     [](const ExperimentResult& e) { return e.status == ExperimentStatus::kFailed; });
}

bool StudyResult::Complete() const {
  return !Interrupted() && !Aborted() && std::all_of(experiments.begin(), experiments.end(), [](const ExperimentResult& e) {
           return e.status == ExperimentStatus::kConverged || e.status == ExperimentStatus::kMaxReps;
         });
}
