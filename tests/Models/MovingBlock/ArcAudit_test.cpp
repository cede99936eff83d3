// Arc audit of the railway model. The simulator decides which groups to
// revisit after a firing from the arcs alone: a firing that changes a state
// variable off its activity's affect arcs, or an enabling predicate that
// reads a variable off its enable arcs, leaves some activity scheduled when
// it should not be, or unscheduled when it should be. The generator derives
// the arcs from what each gate declares it reads and changes, and this audit
// holds the declarations to what the gates' code does.
//
// A replication of the real simulator reaches the states. A twin of the
// model, set to each state, fires the activity that the simulator fires
// there, and the cells that change are compared with the activity's affect
// arcs (and the outcome with the model's). At a sample of the states the
// twin also fires every other enabled activity the same way, and gives the
// cells off an activity's enable arcs other values, after which its
// enabling must be what it was.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "BaseClasses/BaseActionClass.h"
#include "BaseClasses/SANModel.h"
#include "BaseClasses/state/SharableSV.h"
#include "Executive/Event.h"
#include "Executive/RunSettings.h"
#include "Executive/SimulatorClass.h"
#include "Study/BaseStudyClass.h"
#include "movingblock/rewardPVModel.h"
#include "support/Capture.h"

namespace {

// The value cells of a model's state: every place, array element and record
// field is one, and a variable shared by several models is one cell.
class StateCells {
 public:
  explicit StateCells(BaseModelClass* top) { collect(top, ""); }

  int Count() const { return static_cast<int>(cells_.size()); }
  const std::string& Name(int i) const { return cells_[i].name; }
  long long Get(int i) const { return cells_[i].s ? *cells_[i].s : *cells_[i].i; }
  void Set(int i, long long value) {
    if (cells_[i].s)
      *cells_[i].s = static_cast<short>(value);
    else
      *cells_[i].i = static_cast<int>(value);
  }
  std::vector<long long> Values() const {
    std::vector<long long> values(cells_.size());
    for (int i = 0; i < Count(); i++) values[i] = Get(i);
    return values;
  }
  void SetValues(const std::vector<long long>& values) {
    for (int i = 0; i < Count(); i++) Set(i, values[i]);
  }
  // The cells of the leaf variables of an action's arcs, as flags by cell
  // index. An arc to a cell outside the state is a failure of its own.
  std::vector<bool> Arcs(List<BaseStateVariableClass>* leaves, const std::string& action) const {
    std::vector<bool> onArc(cells_.size(), false);
    for (int k = 0; k < leaves->getNumItems(); k++) {
      const auto found = index_.find(cellOf(leaves->getItem(k)));
      if (found == index_.end()) {
        ADD_FAILURE() << action << " has an arc to " << leaves->getItem(k)->getFullName()
                      << ", which is no cell of the model's state";
        continue;
      }
      onArc[found->second] = true;
    }
    return onArc;
  }

 private:
  struct Cell {
    short* s;
    int* i;
    std::string name;
  };

  static const void* cellOf(BaseStateVariableClass* leaf) {
    if (auto* value = dynamic_cast<SharableSV<short>*>(leaf)) return value->getValuePointer();
    if (auto* value = dynamic_cast<SharableSV<int>*>(leaf)) return value->getValuePointer();
    return nullptr;
  }

  void collect(BaseModelClass* model, const std::string& path) {
    const std::string here = path + "/" + (model->getName() ? model->getName() : "?");
    if (auto* atomic = dynamic_cast<SANModel*>(model)) {
      for (int p = 0; p < atomic->getNumPlaces(); p++) addVariable(atomic->getPlace(p), here);
      for (int p = 0; p < atomic->getNumReadOnlyPlaces(); p++)
        addVariable(atomic->getReadOnlyPlace(p), here);
      return;
    }
    for (int c = 0; c < model->GetNumberOfChildren(); c++)
      collect(model->GetChild(c), here + "[" + std::to_string(c) + "]");
  }

  void addVariable(BaseStateVariableClass* variable, const std::string& path) {
    std::unique_ptr<List<BaseStateVariableClass>> leaves(variable->getLeafNodes());
    for (int k = 0; k < leaves->getNumItems(); k++) {
      BaseStateVariableClass* leaf = leaves->getItem(k);
      const void* cell = cellOf(leaf);
      ASSERT_NE(cell, nullptr) << leaf->getFullName() << " is not a short or int cell";
      if (index_.count(cell)) continue;  // shared: seen from another model
      index_[cell] = Count();
      auto* shortValue = dynamic_cast<SharableSV<short>*>(leaf);
      auto* intValue = dynamic_cast<SharableSV<int>*>(leaf);
      cells_.push_back({shortValue ? shortValue->getValuePointer() : nullptr,
                        intValue ? intValue->getValuePointer() : nullptr,
                        path + " " + leaf->getFullName()});
    }
  }

  std::vector<Cell> cells_;
  std::unordered_map<const void*, int> index_;
};

// Audits the activities of a twin model at the states of the real model it
// is shown: the firing that the simulator makes at each state, and at a
// sample of the states every enabled activity and every enabling.
class ArcAuditor {
 public:
  // Audits of one activity and kind that are made wherever they can be,
  // before the sample takes over.
  static constexpr int kMinimum = 2;
  static constexpr double kStateSample = 0.02;
  static constexpr double kActionSample = 0.02;

  ArcAuditor(rewardPVModel& real, rewardPVModel& twin)
      : real_(real.getTopModel()), cells_(twin.getTopModel()) {
    List<BaseActionClass> realActions;
    real.listActions(&realActions);
    twin.listActions(&actions_);
    EXPECT_EQ(realActions.getNumItems(), actions_.getNumItems());
    EXPECT_EQ(real_.Count(), cells_.Count());
    for (int i = 0; i < real_.Count() && i < cells_.Count(); i++)
      EXPECT_EQ(real_.Name(i), cells_.Name(i));
    for (int a = 0; a < actions_.getNumItems(); a++) {
      BaseActionClass* action = actions_.getItem(a);
      EXPECT_STREQ(realActions.getItem(a)->getName(), action->getName());
      indexOfReal_[realActions.getItem(a)] = a;
      affect_.push_back(cells_.Arcs(action->getAffectedVariables(), action->getName()));
      enable_.push_back(cells_.Arcs(action->getEnablingVariables(), action->getName()));
    }
    fired_.assign(NumActions(), 0);
    checked_.assign(NumActions(), {0, 0});
  }

  int NumActions() const { return actions_.getNumItems(); }
  BaseActionClass* Action(int a) const { return actions_.getItem(a); }
  int Fired(int a) const { return fired_[a]; }
  int Checked(int a) const { return checked_[a][0] + checked_[a][1]; }

  // The real model is in a state whose next event fires at `time`.
  void Before(double time) {
    time_ = time;
    for (int i = 0; i < cells_.Count(); i++) cells_.Set(i, real_.Get(i));
    before_ = cells_.Values();
    if (uniform_(random_) >= kStateSample && !sampleAll_) return;
    sampleAll_ = false;
    const double lastTime = BaseModelClass::LastActionTime;  // the real model's
    for (int a = 0; a < NumActions(); a++) {
      const bool enabled = Action(a)->Enabled();
      if (enabled && (fired_[a] < kMinimum || uniform_(random_) < kActionSample)) auditFiring(a);
      if (checked_[a][enabled] < kMinimum || uniform_(random_) < kActionSample)
        auditEnabling(a, enabled);
    }
    BaseModelClass::LastActionTime = lastTime;
  }

  // The real model has fired `fired` from that state: the twin fires the
  // same activity, which must change its arcs only and give the same state.
  void After(BaseActionClass* fired) {
    const auto found = indexOfReal_.find(fired);
    ASSERT_NE(found, indexOfReal_.end()) << fired->getName() << " is no action of the model";
    const double lastTime = BaseModelClass::LastActionTime;
    const std::vector<long long> after = auditFiring(found->second, false);
    BaseModelClass::LastActionTime = lastTime;
    for (int i = 0; i < cells_.Count(); i++)
      if (after[i] != real_.Get(i))
        ADD_FAILURE() << "the twin's firing of " << fired->getName() << " at time " << time_
                      << " leaves " << cells_.Name(i) << " at " << after[i] << ", the model at "
                      << real_.Get(i);
  }

 private:
  // Fires activity a from the state before_; returns the state after, and
  // leaves the twin in it unless asked to restore.
  std::vector<long long> auditFiring(int a, bool restore = true) {
    BaseModelClass::LastActionTime = time_;
    Action(a)->Fire();
    std::vector<long long> after = cells_.Values();
    for (int i = 0; i < cells_.Count(); i++)
      if (after[i] != before_[i] && !affect_[a][i])
        ADD_FAILURE() << "firing " << Action(a)->getName() << " at time " << time_ << " changes "
                      << cells_.Name(i) << " (" << before_[i] << " -> " << after[i]
                      << "), which is off its affect arcs";
    if (restore) cells_.SetValues(before_);
    fired_[a]++;
    return after;
  }

  // Every cell off the enable arcs takes the value of the pattern at once;
  // when the enabling changes, the cells are tried one by one to name those
  // it reads. The patterns keep a train number a train number (0, 1, one
  // less or one more), so that a predicate that indexes by a number off its
  // arcs is caught reading it rather than ending the process.
  void auditEnabling(int a, bool base) {
    const auto patterns = {+[](long long) { return 0LL; }, +[](long long) { return 1LL; },
                           +[](long long v) { return v > 0 ? v - 1 : v + 1; }};
    for (auto pattern : patterns) {
      for (int i = 0; i < cells_.Count(); i++)
        if (!enable_[a][i]) cells_.Set(i, pattern(before_[i]));
      const bool perturbed = Action(a)->Enabled();
      cells_.SetValues(before_);
      if (perturbed == base) continue;
      for (int i = 0; i < cells_.Count(); i++) {
        if (enable_[a][i]) continue;
        cells_.Set(i, pattern(before_[i]));
        if (Action(a)->Enabled() != base)
          ADD_FAILURE() << "the enabling of " << Action(a)->getName() << " at time " << time_
                        << " reads " << cells_.Name(i) << ", which is off its enable arcs";
        cells_.SetValues(before_);
      }
    }
    Action(a)->Enabled();  // the twin's own flags, as the state has them
    checked_[a][base]++;
  }

  const StateCells real_;
  StateCells cells_;
  List<BaseActionClass> actions_;
  std::unordered_map<const BaseActionClass*, int> indexOfReal_;
  std::vector<std::vector<bool>> affect_, enable_;
  std::vector<int> fired_;
  std::vector<std::array<int, 2>> checked_;
  std::vector<long long> before_;
  double time_ = 0.0;
  bool sampleAll_ = true;  // the first state is audited in full
  std::mt19937 random_{20240611};
  std::uniform_real_distribution<double> uniform_{0.0, 1.0};
};

TEST(ArcAudit, ActivitiesChangeOnlyTheirAffectArcsAndEnableOnTheirEnableArcsOnly) {
  // The walk goes on beyond the replications' end at 700, until every train
  // has entered (the last at 1450) and, without losses, left the line.
  constexpr double kWalkUntil = 2500.0;
  std::vector<int> firedAnywhere;
  // No loss, half of the messages lost, nearly all lost: the network cases
  // and the trains' waits for authorities all occur.
  for (const int experiment : {0, 5, 10}) {
    SCOPED_TRACE("experiment index " + std::to_string(experiment));
    GenerateStudy()->SetGVs(experiment);
    auto model = std::make_unique<rewardPVModel>(true);
    rewardPVModel twin(true);
    std::unique_ptr<SimulatorClass> simulator;
    StdoutOf([&] { simulator = std::make_unique<SimulatorClass>(RunSettings(), model.get()); });
    SimulatorClass& sim = *simulator;

    ArcAuditor auditor(*model, twin);

    // One replication, as the terminating loop starts and steps it.
    sim.GenerateInitialEnabledList();
    Event** next = sim.StartReplication();
    while (next != nullptr && (*next)->FiringTime <= kWalkUntil) {
      auditor.Before((*next)->FiringTime);
      next = sim.SimStep(next);
      auditor.After(model->getLastActionFired());
    }
    EXPECT_GT(sim.Loop().ActionsFired(), 10000);

    // The enabling of every activity was audited in several states, and
    // every activity was fired somewhere. The action tables of the
    // experiments are alike (30 trains each).
    firedAnywhere.resize(auditor.NumActions());
    for (int a = 0; a < auditor.NumActions(); a++) {
      EXPECT_GE(auditor.Checked(a), ArcAuditor::kMinimum) << auditor.Action(a)->getName();
      firedAnywhere[a] += auditor.Fired(a);
    }
    simulator.reset();
  }
  for (size_t a = 0; a < firedAnywhere.size(); a++)
    EXPECT_GE(firedAnywhere[a], 1) << "action " << a << " was never fired";
}

}  // namespace
