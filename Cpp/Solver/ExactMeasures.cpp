#include "Solver/ExactMeasures.h"

#include <algorithm>
#include <cmath>

#include "Solver/PhaseTimer.h"
#include "Solver/TransientSolver.h"

ExactMeasures::ExactMeasures(const RewardStructure& rewards, const MarkovChain& chain,
                             const IterationSettings& settings)
    : rewards_(rewards), chain_(chain), settings_(settings) {}

double ExactMeasures::Dot(const std::vector<double>& p, const std::vector<double>& reward) const {
  double sum = 0.0;
  for (std::size_t s = 0; s < p.size(); s++) sum += p[s] * reward[s];
  return sum;
}

int ExactMeasures::TimeIndex(double t) const {
  return static_cast<int>(std::lower_bound(times_.begin(), times_.end(), t) - times_.begin());
}

void ExactMeasures::SolveTransient() {
  times_ = {0.0};
  for (const RewardVariable& variable : rewards_.Variables()) {
    if (variable.steadyState) continue;
    for (const RewardTimePoint& point : variable.points) {
      times_.push_back(point.start);
      times_.push_back(point.stop);
    }
  }
  std::sort(times_.begin(), times_.end());
  times_.erase(std::unique(times_.begin(), times_.end()), times_.end());
  const PhaseTimer timer;
  TransientSolver solver(chain_, settings_.tolerance);
  std::vector<double> p = chain_.initial, integral;
  auto recordRates = [&] {
    instantRates_.emplace_back();
    for (const std::vector<double>& r : chain_.rateRewards)
      instantRates_.back().push_back(Dot(p, r));
  };
  recordRates();
  for (std::size_t k = 0; k + 1 < times_.size(); k++) {
    solver.Advance(p, times_[k + 1] - times_[k], integral);
    spanRates_.emplace_back();
    for (const std::vector<double>& r : chain_.rateRewards)
      spanRates_.back().push_back(Dot(integral, r));
    spanImpulses_.emplace_back();
    for (const std::vector<double>& i : chain_.impulseRates)
      spanImpulses_.back().push_back(Dot(integral, i));
    recordRates();
  }
  statistics_.transient = true;
  statistics_.uniformisationRate = solver.UniformisationRate();
  statistics_.steps = solver.Steps();
  statistics_.transientTime = timer.Elapsed();
}

void ExactMeasures::SolveSteadyState() {
  const PhaseTimer timer;
  SteadyStateSolver solver(chain_, settings_);
  const std::vector<double> p = solver.Solve();
  for (const std::vector<double>& r : chain_.rateRewards) longRunRates_.push_back(Dot(p, r));
  for (const std::vector<double>& i : chain_.impulseRates) longRunImpulses_.push_back(Dot(p, i));
  statistics_.steadyState = true;
  statistics_.sweeps = solver.Sweeps();
  statistics_.residual = solver.Residual();
  statistics_.bottomComponents = solver.NumBottomComponents();
  statistics_.transientStates = solver.NumTransientStates();
  statistics_.steadyStateTime = timer.Elapsed();
}

std::vector<MeasureValue> ExactMeasures::Compute() {
  const auto& variables = rewards_.Variables();
  const bool anySteady = std::any_of(variables.begin(), variables.end(),
                                     [](const RewardVariable& v) { return v.steadyState; });
  const bool anyTransient = std::any_of(variables.begin(), variables.end(),
                                        [](const RewardVariable& v) { return !v.steadyState; });
  if (anyTransient) SolveTransient();
  if (anySteady) SolveSteadyState();

  std::vector<MeasureValue> values;
  for (const RewardVariable& variable : variables) {
    for (const RewardTimePoint& point : variable.points) {
      MeasureValue m{variable.name, point.resultIndex, MeasureValue::Kind::Window,
                     point.start,   point.stop,        0.0};
      const double length = point.stop - point.start;
      if (variable.steadyState) {
        m.kind = MeasureValue::Kind::SteadyState;
        if (variable.rateSlot >= 0)
          m.value += point.rateScale * length * longRunRates_[variable.rateSlot];
        if (variable.impulseSlot >= 0)
          m.value += (variable.timeAveragedImpulses ? 1.0 : length) *
                     longRunImpulses_[variable.impulseSlot];
      } else if (variable.instantOfTime) {
        m.kind = MeasureValue::Kind::InstantOfTime;
        if (variable.rateSlot >= 0)
          m.value = instantRates_[TimeIndex(point.stop)][variable.rateSlot];
      } else {
        const int first = TimeIndex(point.start), last = TimeIndex(point.stop);
        double rate = 0.0, impulses = 0.0;
        for (int k = first; k < last; k++) {
          if (variable.rateSlot >= 0) rate += spanRates_[k][variable.rateSlot];
          if (variable.impulseSlot >= 0) impulses += spanImpulses_[k][variable.impulseSlot];
        }
        if (variable.impulseSlot >= 0 && point.start == 0.0)
          impulses += chain_.initialImpulses[variable.impulseSlot];
        if (variable.impulseSlot >= 0 && variable.timeAveragedImpulses) impulses /= length;
        m.value = point.rateScale * rate + impulses;
      }
      values.push_back(m);
    }
  }
  std::sort(values.begin(), values.end(), [](const MeasureValue& a, const MeasureValue& b) {
    return a.resultIndex < b.resultIndex;
  });
  return values;
}

void AppendDerivedRatios(std::vector<MeasureValue>& values,
                         const std::vector<BaseStudyClass::DerivedRatio>& ratios) {
  const std::size_t observed = values.size();
  auto of = [&](const std::string& variable) {
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < observed; i++)
      if (values[i].variable == variable) rows.push_back(i);
    return rows;
  };
  for (const BaseStudyClass::DerivedRatio& ratio : ratios) {
    const std::vector<std::size_t> over = of(ratio.numerator), under = of(ratio.denominator);
    for (std::size_t k = 0; k < over.size() && k < under.size(); k++) {
      MeasureValue m = values[over[k]];
      const double denominator = values[under[k]].value;
      m.variable = ratio.name;
      m.resultIndex = static_cast<int>(values.size());
      m.value = denominator == 0.0 ? NAN : m.value / denominator;
      values.push_back(m);
    }
  }
}
