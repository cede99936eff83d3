#include "Solver/MarkingModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

#include "BaseClasses/Activity.h"
#include "BaseClasses/BaseModelClass.h"
#include "BaseClasses/PostselectGroup.h"
#include "BaseClasses/PreselectGroup.h"
#include "BaseClasses/SANModel.h"
#include "Random/Distributions.h"
#include "Rewards/PVModel.h"
#include "Solver/DrawCounter.h"
#include "Solver/SolverError.h"

namespace {

// Firings and rate evaluations of each activity made at two times.
constexpr int kTimeChecks = 4;
// The second time of those checks; any time other than 0 would do.
constexpr double kCheckTime = 1.0 + 1.0 / 1024;

// The name of a distribution as model files write it.
const char* DistributionName(Distribution d) {
  switch (d) {
    case Exponential:
      return "exponential";
    case Deterministic:
      return "deterministic";
    case Uniform:
      return "uniform";
    case Geometric:
      return "geometric";
    case Weibull:
      return "weibull";
    case ConditionalWeibull:
      return "conditional_weibull";
    case Pareto:
      return "pareto";
    case Erlang:
      return "erlang";
    case HypoExponential:
      return "hypoexponential";
    case HyperExponential:
      return "hyperexponential";
    case Triangular:
      return "triangular";
    case Normal:
      return "normal";
    case Lognormal:
      return "lognormal";
    case Gamma:
      return "gamma";
    case Beta:
      return "beta";
    case Binomial:
      return "binomial";
    case NegativeBinomial:
      return "negative_binomial";
    case Instantaneous:
      return "instantaneous";
  }
  return "unknown";
}

std::string NumberText(double value) {
  std::ostringstream text;
  text.precision(17);
  text << value;
  return text.str();
}

// The activity that times a group: the group itself, or (a group of cases)
// its first case.
Activity* TimingActivity(BaseGroupClass* group) {
  while (group != nullptr) {
    if (auto* activity = dynamic_cast<Activity*>(group)) return activity;
    group = group->getNumMembers() > 0 ? group->getMember(0) : nullptr;
  }
  return nullptr;
}

}  // namespace

std::string MarkingModel::Describe(BaseGroupClass* group) {
  std::string name = group->getName() ? group->getName() : "";
  // A group of cases is named after its activity, with "Group" appended.
  if (dynamic_cast<Activity*>(group) == nullptr && name.size() > 5 &&
      name.compare(name.size() - 5, 5, "Group") == 0)
    name.erase(name.size() - 5);
  std::string text = "activity " + name;
  Activity* timing = TimingActivity(group);
  if (timing != nullptr && timing->ParentModel != nullptr && timing->ParentModel->getName())
    text += std::string(" of model ") + timing->ParentModel->getName();
  return text;
}

MarkingModel::MarkingModel(PVModel& rewardModel) : top_(rewardModel.getTopModel()) {
  auto* counter = new DrawCounter();
  TheDistribution->setGenerator(counter);
  draws_ = counter;
  markingSize_ = static_cast<std::size_t>(top_->StateSize());
  loaded_.resize(markingSize_);
  probeA_.resize(markingSize_);
  probeB_.resize(markingSize_);
  List<BaseGroupClass> groups;
  top_->listGroups(&groups);
  activityById_.assign(BaseActionClass::MaxID > 0 ? BaseActionClass::MaxID : 0, nullptr);
  for (int i = 0; i < groups.getNumItems(); i++) {
    NoteActivities(groups.getItem(i));
    Classify(groups.getItem(i));
  }
  // Timed groups first: the order in which moves are listed.
  std::stable_partition(groups_.begin(), groups_.end(),
                        [](const Group& g) { return !g.instantaneous; });
  for (const Group& g : groups_)
    if (!g.instantaneous) numTimed_++;
  fireChecksLeft_.assign(BaseActionClass::MaxID > 0 ? BaseActionClass::MaxID : 0, kTimeChecks);
}

void MarkingModel::NoteActivities(BaseGroupClass* group) {
  const auto id = static_cast<std::size_t>(group->Id);
  if (id < activityById_.size()) activityById_[id] = dynamic_cast<Activity*>(group);
  for (int m = 0; m < group->getNumMembers(); m++) NoteActivities(group->getMember(m));
}

Activity* MarkingModel::ActivityOf(BaseGroupClass* group) const {
  const auto id = static_cast<std::size_t>(group->Id);
  return id < activityById_.size() ? activityById_[id] : dynamic_cast<Activity*>(group);
}

void MarkingModel::Classify(BaseGroupClass* group) {
  Group g{group, Kind::Single, false, {}, kTimeChecks, TimingActivity(group)};
  if (dynamic_cast<Activity*>(group) != nullptr)
    g.kind = Kind::Single;
  else if (dynamic_cast<PreselectGroup*>(group) != nullptr)
    g.kind = Kind::Preselect;
  else if (dynamic_cast<PostselectGroup*>(group) != nullptr)
    g.kind = Kind::Postselect;
  else
    throw SolverError("group " + std::string(group->getName() ? group->getName() : "") +
                      " is neither an activity nor a group of cases; the solver cannot tell "
                      "how it chooses what fires");
  // The timing of every case that can time the group (a preselect group's
  // chosen case times it; otherwise the first case).
  std::vector<Activity*> timings;
  if (g.kind == Kind::Preselect) {
    for (int m = 0; m < group->getNumMembers(); m++)
      timings.push_back(TimingActivity(group->getMember(m)));
  } else {
    timings.push_back(TimingActivity(group));
  }
  bool anyInstantaneous = false, anyTimed = false;
  for (Activity* timing : timings) {
    if (timing == nullptr) throw SolverError(Describe(group) + " has no activity");
    const Distribution d = timing->DistributionType;
    if (d == Instantaneous) {
      anyInstantaneous = true;
    } else if (d == Exponential) {
      anyTimed = true;
    } else {
      const std::string position = timing->ModelFilePosition();
      throw SolverError(Describe(group) + (position.empty() ? "" : " (" + position + ")") +
                        " has a " + DistributionName(d) +
                        " delay; exact solution needs a Markov chain: every timed activity "
                        "exponential (the others instantaneous)");
    }
  }
  if (anyInstantaneous && anyTimed)
    throw SolverError(Describe(group) + " has instantaneous and timed cases");
  g.instantaneous = anyInstantaneous;
  groups_.push_back(std::move(g));
}

void MarkingModel::Load(const unsigned char* marking) {
  if (marking != loaded_.data()) std::memcpy(loaded_.data(), marking, markingSize_);
  top_->SetState(loaded_.data());
}

void MarkingModel::Save(unsigned char* marking) { top_->CurrentState(marking); }

bool MarkingModel::Enabled(Group& g) {
  if (g.kind != Kind::Preselect) return g.group->Enabled();
  // A preselect group's own Enabled() would choose its case (a random
  // draw); whether any case is enabled is what it answers.
  bool any = false;
  for (int m = 0; m < g.group->getNumMembers(); m++)
    if (g.group->getMember(m)->Enabled()) any = true;
  return any;
}

void MarkingModel::RefuseDraws(const std::string& what) {
  if (draws_->Draws() == drawsSeen_) return;
  drawsSeen_ = draws_->Draws();
  throw SolverError(what +
                    " draws a random number; the solver follows only the random choices "
                    "of the model's timing and cases");
}

bool MarkingModel::Vanishing() {
  bool vanishing = false;
  for (std::size_t i = numTimed_; i < groups_.size() && !vanishing; i++)
    vanishing = Enabled(groups_[i]);
  RefuseDraws("the enabling of an instantaneous activity");
  return vanishing;
}

void MarkingModel::AppendCases(BaseGroupClass* group, double probability, std::vector<Move>& out) {
  if (Activity* activity = ActivityOf(group)) {
    out.push_back({activity, probability});
    return;
  }
  const double total = group->CalculateWeightDistribution();
  if (total < 0.0) return;  // no case enabled: the group fires nothing
  if (!(total > 0.0) || !std::isfinite(total))
    throw SolverError(Describe(group) + ": the weights of its enabled cases add up to " +
                      NumberText(total) + "; they must add up to a positive finite number");
  // The chance of entry k is the part of [0, total) that the weight table
  // gives it: a uniform draw times the total falls below its cumulative
  // weight and not below the one before.
  double before = 0.0;
  for (int k = 0; k < group->getEntriesInUse(); k++) {
    const BaseGroupClass::WeightEntry& entry = group->getWeightEntry(k);
    const double weight = entry.CumulativeWeight - before;
    before = entry.CumulativeWeight;
    if (weight < 0.0 || std::isnan(weight))
      throw SolverError(Describe(group) + ": a case has the weight " + NumberText(weight) +
                        "; case weights must not be negative");
    if (weight > 0.0) AppendCases(entry.Member, probability * (weight / total), out);
  }
}

double MarkingModel::Rate(Group& g, Activity* timing) {
  const double* parameters = timing->ReturnDistributionParameters();
  if (parameters == nullptr) throw SolverError(Describe(g.group) + " gives no rate");
  const double rate = parameters[0];
  if (g.timeChecksLeft > 0) {
    g.timeChecksLeft--;
    const double saved = BaseModelClass::LastActionTime;
    BaseModelClass::LastActionTime = kCheckTime;
    const double later = timing->ReturnDistributionParameters()[0];
    BaseModelClass::LastActionTime = saved;
    if (!(later == rate || (std::isnan(later) && std::isnan(rate))))
      throw SolverError(Describe(g.group) +
                        ": its rate changes with the time (now); a Markov chain cannot hold it");
  }
  if (!(rate >= 0.0) || !std::isfinite(rate))
    throw SolverError(Describe(g.group) + " has the rate " + NumberText(rate) +
                      " in a reachable marking; a rate must be finite and not negative");
  return rate;
}

void MarkingModel::PreselectCases(Group& g, std::vector<Move>& cases) {
  cases.clear();
  AppendCases(g.group, 1.0, cases);
  std::vector<double> probabilities;
  for (const Move& c : cases) probabilities.push_back(c.weight);
  if (g.preselectProbabilities.empty()) {
    g.preselectProbabilities = probabilities;
    return;
  }
  bool same = probabilities.size() == g.preselectProbabilities.size();
  for (std::size_t k = 0; same && k < probabilities.size(); k++)
    same = std::fabs(probabilities[k] - g.preselectProbabilities[k]) <=
           1e-12 * g.preselectProbabilities[k];
  if (!same)
    throw SolverError(Describe(g.group) +
                      " chooses its case when it is scheduled (case_selection: preselect), and "
                      "its case probabilities change with the marking; the choice is then part "
                      "of the state, which the solver does not track (use postselect)");
}

void MarkingModel::TimedMoves(std::vector<Move>& out) {
  out.clear();
  for (int i = 0; i < numTimed_; i++) {
    Group& g = groups_[i];
    if (!Enabled(g)) continue;
    if (g.kind != Kind::Preselect) {
      const double rate = Rate(g, g.timing);
      if (rate > 0.0) AppendCases(g.group, rate, out);
      continue;
    }
    PreselectCases(g, scratch_);
    double rate = -1.0;
    for (const Move& c : scratch_) {
      const double caseRate = Rate(g, c.action);
      if (rate >= 0.0 && caseRate != rate)
        throw SolverError(Describe(g.group) +
                          " chooses its case when it is scheduled (case_selection: preselect), "
                          "and its cases have different rates; the choice is then part of the "
                          "state, which the solver does not track (use postselect)");
      rate = caseRate;
    }
    if (rate > 0.0)
      for (const Move& c : scratch_) out.push_back({c.action, rate * c.weight});
  }
  RefuseDraws("the enabling, rate or case weights of a timed activity");
}

void MarkingModel::InstantaneousMoves(std::vector<Move>& out) {
  out.clear();
  // The enabled groups of the highest rank, each with its weight in the
  // event list's choice among equal events.
  struct Candidate {
    Group* group;
    double weight;
  };
  std::vector<Candidate> candidates;
  int highest = 0;
  for (std::size_t i = numTimed_; i < groups_.size(); i++) {
    Group& g = groups_[i];
    if (!Enabled(g)) continue;
    int rank;
    double weight;
    if (g.kind != Kind::Preselect) {
      rank = g.group->Rank();
      weight = g.group->Weight();
    } else {
      PreselectCases(g, scratch_);
      if (scratch_.empty()) continue;
      rank = g.group->getHighestRank();
      weight = scratch_[0].action->Weight();
      for (const Move& c : scratch_)
        if (c.action->Weight() != weight)
          throw SolverError(Describe(g.group) +
                            " chooses its case when it is scheduled (case_selection: preselect), "
                            "and its cases have different weights, which decide its chance "
                            "against other instantaneous activities; the solver does not track "
                            "the choice (use postselect)");
    }
    if (candidates.empty() || rank > highest) {
      candidates.clear();
      highest = rank;
    } else if (rank < highest) {
      continue;
    }
    if (weight < 0.0 || !std::isfinite(weight))
      throw SolverError(Describe(g.group) + " has the weight " + NumberText(weight) +
                        " among simultaneous instantaneous activities; a weight must be finite "
                        "and not negative");
    candidates.push_back({&g, weight});
  }
  double total = 0.0;
  for (const Candidate& c : candidates) total += c.weight;
  if (candidates.empty()) return;
  if (!(total > 0.0)) {
    std::string names;
    for (const Candidate& c : candidates)
      names += (names.empty() ? "" : ", ") + Describe(c.group->group);
    throw SolverError("instantaneous activities enabled together all have weight 0 (" + names +
                      "); the choice among them is undefined");
  }
  for (const Candidate& c : candidates) {
    if (c.weight == 0.0) continue;
    const double p = c.weight / total;
    if (c.group->kind != Kind::Preselect) {
      AppendCases(c.group->group, p, out);
    } else {
      PreselectCases(*c.group, scratch_);
      for (const Move& m : scratch_) out.push_back({m.action, p * m.weight});
    }
  }
  RefuseDraws("the enabling, priority or weights of an instantaneous activity");
}

BaseActionClass* MarkingModel::Fire(Activity* action) {
  const unsigned id = static_cast<unsigned>(action->Id);
  const bool check = id < fireChecksLeft_.size() && fireChecksLeft_[id] > 0;
  if (check) {
    fireChecksLeft_[id]--;
    BaseModelClass::LastActionTime = kCheckTime;
    action->Fire();
    Save(probeA_.data());
    top_->SetState(loaded_.data());
  }
  BaseModelClass::LastActionTime = 0.0;
  BaseActionClass* fired = action->Fire();
  RefuseDraws(std::string("the firing of ") + action->getName());
  if (check) {
    Save(probeB_.data());
    if (std::memcmp(probeA_.data(), probeB_.data(), markingSize_) != 0)
      throw SolverError(std::string("the firing of ") + action->getName() +
                        " writes the time (now) into the marking; a Markov chain cannot hold it");
  }
  return fired;
}
