#ifndef SANGEN_CHECKED_MODEL_H
#define SANGEN_CHECKED_MODEL_H

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Diagnostics.h"
#include "ModelDescription.h"

namespace sangen {

// What kind of state variable a name stands for.
struct VariableType {
  enum Kind { Place, Scalar, Record, Array };
  Kind kind = Place;
  ScalarType scalar = ScalarType::Short;  // of a place, a typed place or an array's elements
  const RecordType* record = nullptr;     // of a record, or of an array's elements
  const ArrayType* array = nullptr;       // of an array

  // The framework or generated class of the variable ("Place",
  // "ExtendedPlace<int>", a record or array type's name).
  std::string className() const;
  // The C++ type of its value cell (places and typed places only).
  std::string cellType() const { return cppName(scalar); }
  bool isCell() const { return kind == Place || kind == Scalar; }
  bool operator==(const VariableType& other) const;
  std::string describe() const;  // for messages
};

// The variables one case of an activity is connected to, in arc order:
// `affected` receive affect arcs (what the firing reads or changes),
// `enabling` enable arcs (what the enabling reads).
struct CaseWiring {
  std::vector<std::string> affected;
  std::vector<std::string> enabling;
};

// Derived from an activity's arcs and gates.
struct ActivityWiring {
  std::vector<CaseWiring> cases;
  // Every variable any part of the activity uses (arcs, gates, timing,
  // weights, reactivation), in the order of first use: the activity's
  // pointers to its variables.
  std::vector<std::string> linked;
};

// The global variables' values, one per experiment.
struct ExperimentTable {
  int count = 0;
  // values[g][e]: value of global g in experiment e, exact for every type
  // (integers, bool as 0/1, char as its code).
  std::vector<std::vector<double>> values;
};

// A model description that passed every check, with what the writers
// derive from it. Built by checkModel.
class CheckedModel {
 public:
  const ModelDescription& model() const { return *description_; }
  const AtomicModel* atomic(const std::string& name) const;
  const RecordType* record(const std::string& name) const;
  const ArrayType* array(const std::string& name) const;
  VariableType typeOf(const AtomicModel& model, const std::string& variable) const;
  const StateVariable* variable(const AtomicModel& model, const std::string& name) const;
  const ActivityWiring& wiring(const Activity& activity) const { return wirings_.at(&activity); }
  // The model's schedulable groups: timed activities first, then
  // instantaneous ones, each in file order. Index = the group number.
  std::vector<const Activity*> groupOrder(const AtomicModel& model) const;
  int groupNumber(const AtomicModel& model, const Activity& activity) const;
  // Variables a composed node offers its parent: all variables of an
  // atomic model, the shared ones of a join or rep.
  std::vector<std::pair<std::string, VariableType>> exposed(const ComposedNode& node) const;
  const ExperimentTable& experiments() const { return table_; }
  // The atomic model of a reward (rate or impulse) after lookup.
  const AtomicModel* rewardModel(const RateReward& rate) const { return atomic(rate.model.text); }
  const AtomicModel* rewardModel(const ImpulseReward& impulse) const;
  const Activity* impulseActivity(const ImpulseReward& impulse) const;

 private:
  friend std::optional<CheckedModel> checkModel(const ModelDescription&, Diagnostics&);
  const ModelDescription* description_ = nullptr;
  std::map<const Activity*, ActivityWiring> wirings_;
  std::map<const ImpulseReward*, const AtomicModel*> impulseModels_;
  ExperimentTable table_;
};

// Checks names, references, types, shares, rewards and the study of
// `model`; reports every problem found to `diagnostics`. The result refers
// to `model`, which must outlive it.
std::optional<CheckedModel> checkModel(const ModelDescription& model, Diagnostics& diagnostics);

// Parameters of each distribution an activity can name, in order ("*" for
// a list of any length).
const std::map<std::string, std::vector<std::string>>& distributionParameters();

}  // namespace sangen

#endif
