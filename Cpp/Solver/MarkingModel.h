#ifndef CORVAX_MARKING_MODEL_H
#define CORVAX_MARKING_MODEL_H

#include <cstddef>
#include <string>
#include <vector>

class Activity;
class BaseActionClass;
class DrawCounter;
class BaseGroupClass;
class BaseModelClass;
class PVModel;

// One way out of the loaded marking: `action` (an activity, or one case of
// an activity) fires. For a timed move `weight` is its rate, for an
// instantaneous move its probability.
struct Move {
  Activity* action;
  double weight;
};

// The generated model seen as a process on markings. It runs the model's own
// code: a marking is loaded into the model's state variables, the enabling,
// rates, priorities and case weights are evaluated there, and a firing is
// the activity's own Fire() on the loaded state. The choices follow the
// simulator's rules: timed groups race with exponential delays, a group with
// cases chooses a case by weight among its enabled cases of the highest
// rank (BaseGroupClass's weight table), and instantaneous groups fire before
// time moves on, the highest rank first, ties chosen by weight as the event
// list does.
//
// Every timed activity must be exponential (or the model is refused, naming
// the activity and its distribution). A group that chooses its case when it
// is scheduled (PreselectGroup) keeps that choice while the marking changes;
// it is accepted when that cannot matter: its case probabilities are the
// same in every marking and its enabled cases share their rate (timed) or
// their weight (instantaneous).
//
// Model code that reads the time ("now") cannot be a Markov chain on
// markings; the first firings and rate evaluations of every activity are
// therefore made twice, at two different times, and a difference refuses the
// model. Everything else runs at time 0. Nor can code that draws random
// numbers: the model replaces the process-wide generator (TheDistribution's)
// by a DrawCounter, and a firing or an evaluation that draws refuses the
// model.
class MarkingModel {
 public:
  explicit MarkingModel(PVModel& rewardModel);
  MarkingModel(const MarkingModel&) = delete;
  MarkingModel& operator=(const MarkingModel&) = delete;

  std::size_t MarkingSize() const { return markingSize_; }
  // Sets the model's state to `marking` (and remembers it).
  void Load(const unsigned char* marking);
  // Writes the model's present state (a Rep's replicas in its own order).
  void Save(unsigned char* marking);

  // On the present state:
  // True when an instantaneous activity is enabled.
  bool Vanishing();
  // The timed moves (rates) and the instantaneous moves (probabilities).
  void TimedMoves(std::vector<Move>& out);
  void InstantaneousMoves(std::vector<Move>& out);
  // Fires `action` on the marking loaded last (Load, and nothing fired since)
  // and returns the action that fired (what its Fire() returns: the action
  // whose impulse rewards count), or null when nothing fired.
  BaseActionClass* Fire(Activity* action);

  int NumTimedGroups() const { return numTimed_; }
  int NumInstantaneousGroups() const { return static_cast<int>(groups_.size()) - numTimed_; }

  // "activity a of model m": how messages name the activity of a group.
  static std::string Describe(BaseGroupClass* group);

 private:
  enum class Kind { Single, Postselect, Preselect };
  struct Group {
    BaseGroupClass* group;
    Kind kind;
    bool instantaneous;
    // Preselect: the case probabilities seen first (they must not change).
    std::vector<double> preselectProbabilities;
    // Rate evaluations left to check for a dependence on the time.
    int timeChecksLeft;
    // What times the group (its first case; a preselect group's chosen one).
    Activity* timing;
  };

  void Classify(BaseGroupClass* group);
  // Records which of the group and its members are activities (ActivityOf).
  void NoteActivities(BaseGroupClass* group);
  // The group as an activity, or null; looked up by action id. Reason: a
  // dynamic_cast per case and firing was a tenth of the exploration's time.
  Activity* ActivityOf(BaseGroupClass* group) const;
  bool Enabled(Group& g);
  // Appends the cases of `group` that its firing would choose, with
  // `probability` times their chance, as the group's weight table does.
  void AppendCases(BaseGroupClass* group, double probability, std::vector<Move>& out);
  double Rate(Group& g, Activity* timing);
  // For a preselect group: its cases now (moves with probabilities), checked
  // against the first ones seen.
  void PreselectCases(Group& g, std::vector<Move>& cases);
  // Refuses the model when the code just run drew a random number.
  void RefuseDraws(const std::string& what);

  BaseModelClass* top_;
  std::size_t markingSize_;
  std::vector<Group> groups_;  // timed groups first, then instantaneous ones
  int numTimed_ = 0;
  std::vector<unsigned char> loaded_;
  std::vector<unsigned char> probeA_, probeB_;
  std::vector<unsigned char> fireChecksLeft_;  // per action id
  std::vector<Activity*> activityById_;
  const DrawCounter* draws_;  // owned by TheDistribution
  unsigned long drawsSeen_ = 0;
  std::vector<Move> scratch_;
};

#endif
