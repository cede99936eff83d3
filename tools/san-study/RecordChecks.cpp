#include "RecordChecks.h"

#include <cmath>

#include "NumberFormat.h"

namespace {
std::optional<IntervalMethod> MethodFromName(const std::string& name) {
  for (IntervalMethod m : {IntervalMethod::None, IntervalMethod::AllEqual, IntervalMethod::Binomial,
                           IntervalMethod::StudentT, IntervalMethod::Delta})
    if (name == MethodName(m)) return m;
  return std::nullopt;
}

bool KnownStatus(const std::string& status) {
  for (const char* known :
       {ExperimentStatus::kConverged, ExperimentStatus::kMaxReps, ExperimentStatus::kIncomplete,
        ExperimentStatus::kFailed, ExperimentStatus::kNotRun, ExperimentStatus::kRunning,
        ExperimentStatus::kSolved})
    if (status == known) return true;
  return false;
}

ConfidenceInterval IntervalOf(const WindowResult& w) {
  ConfidenceInterval ci;
  ci.mean = w.mean;
  ci.lower = w.lower;
  ci.upper = w.upper;
  ci.method = MethodFromName(w.method).value_or(IntervalMethod::None);
  return ci;
}

// A derived measure whose denominator's mean is 0 has no mean either.
std::optional<std::string> ImplausibleWindow(const WindowResult& w, long replications,
                                             bool derived) {
  if (!MethodFromName(w.method)) return "an unknown interval '" + w.method + "'";
  if (replications == 0) return std::nullopt;
  if (!std::isfinite(w.mean) && !(derived && w.method == MethodName(IntervalMethod::None)))
    return "no mean";
  if (replications >= 2 && w.method != MethodName(IntervalMethod::None) &&
      !(w.lower <= w.mean && w.mean <= w.upper))
    return "an interval [" + ShortestText(w.lower) + ", " + ShortestText(w.upper) +
           "] that does not hold its mean " + ShortestText(w.mean);
  if (w.converged && replications < 2) return "a converged measure of fewer than 2 replications";
  return std::nullopt;
}
}  // namespace

std::optional<std::string> ImplausibleRecord(const ExperimentResult& e, const StudyDescription& d,
                                             const StopRule& rule) {
  if (!KnownStatus(e.status)) return "an unknown status '" + e.status + "'";
  if (e.plan.values.size() != d.variables.size())
    return std::to_string(e.plan.values.size()) + " global variables, not " +
           std::to_string(d.variables.size());
  for (std::size_t v = 0; v < d.variables.size(); v++)
    if (!std::isfinite(e.plan.values[v])) return "no value of " + d.variables[v].name;
  if (e.windows.size() != d.measures.size())
    return std::to_string(e.windows.size()) + " results of " + std::to_string(d.measures.size()) +
           " measures";
  if (e.replications < 0 || e.replications > rule.maxReplications)
    return std::to_string(e.replications) + " replications, outside 0 to " +
           std::to_string(rule.maxReplications);
  if (e.status == ExperimentStatus::kSolved && (e.replications != 0 || e.exact.empty()))
    return "solved, yet with replications or without exact values";
  if (e.status == ExperimentStatus::kConverged && e.replications < rule.minReplications)
    return "converged at " + std::to_string(e.replications) + " replications, below --min-reps " +
           std::to_string(rule.minReplications);
  if (e.status == ExperimentStatus::kMaxReps && e.replications != rule.maxReplications)
    return "stopped at --max-reps after " + std::to_string(e.replications) + " replications, not " +
           std::to_string(rule.maxReplications);
  if (e.streams.empty() || e.plan.streamSeeds.size() != e.streams.size()) return "no streams";
  if (e.streams.front().seed != e.plan.seed) return "a first stream without the experiment's seed";
  long counted = 0;
  for (const StreamResult& s : e.streams) {
    if (s.counted < 0 || s.received < s.counted)
      return "a stream that counts " + std::to_string(s.counted) + " of " +
             std::to_string(s.received) + " replications";
    counted += s.counted;
  }
  if (counted != e.replications)
    return "streams that count " + std::to_string(counted) + " replications, not " +
           std::to_string(e.replications);
  if (e.wasted < 0) return "a negative count of wasted replications";
  if (!(e.processorSeconds >= 0.0) || !std::isfinite(e.processorSeconds))
    return "processor seconds " + ShortestText(e.processorSeconds);
  for (std::size_t m = 0; m < e.windows.size(); m++)
    if (auto fault = ImplausibleWindow(e.windows[m], e.replications, d.measures[m].Derived()))
      return "measure " + d.measures[m].label + " with " + *fault;
  return std::nullopt;
}

bool AgreesWithStopRule(const ExperimentResult& e, const StopRule& rule) {
  bool all = true;
  for (const WindowResult& w : e.windows) {
    const bool meets = Shortfall(IntervalOf(w), rule) <= 1.0;
    if (w.converged != meets) return false;
    all &= meets;
  }
  return e.status != ExperimentStatus::kConverged || all;
}
