#include "StudyResults.h"

#include <algorithm>
#include <ctime>

ExperimentResult FreshResult(const PlannedExperiment& plan) {
  ExperimentResult result;
  result.plan = plan;
  for (std::uint32_t seed : plan.streamSeeds) result.streams.push_back({seed, 0, 0, ""});
  return result;
}

bool StudyResult::AnyFailure() const {
  return std::any_of(experiments.begin(), experiments.end(), [](const ExperimentResult& e) {
    return e.status == ExperimentStatus::kFailed || !e.failure.empty();
  });
}

bool StudyResult::Complete() const {
  return !Interrupted() && !Aborted() &&
         std::all_of(experiments.begin(), experiments.end(),
                     [](const ExperimentResult& e) { return e.Finished(); });
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}
