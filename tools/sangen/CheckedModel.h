#ifndef SANGEN_CHECKED_MODEL_H
#define SANGEN_CHECKED_MODEL_H

#include <string>
#include <unordered_map>
#include <vector>

#include "ModelDescription.h"

namespace sangen {

// What kind of state variable a name stands for.
struct VariableType {
  enum Kind { Place, Scalar, Record, Array };
  Kind kind = Place;
  ScalarType scalar = ScalarType::Short;  // of a place, a typed place or an array's elements
  const RecordType* record = nullptr;     // of a record, or of an array's elements
  const ArrayType* array = nullptr;       // of an array
  bool known = true;                      // false: the type named in the file does not exist

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

// A variable a composed node offers its parent: all variables of an atomic
// model, the shared ones of a join or rep (typed as in the child that has
// it), with the initial value it starts from, as written (`initial`, a
// normalised text) and where (`origin`, the variable's declaration).
struct ExposedVariable {
  std::string name;
  VariableType type;
  std::string initial;
  Position origin;
};

// A model description that passed every check, with what the writers
// derive from it: every name resolved once (models, types, each variable's
// type), the activities' wiring and group numbers, the variables each
// composed node offers, the impulse rewards' models and the experiments.
// Built by checkModel (ModelChecker.h); refers to the description, which
// must outlive it.
class CheckedModel {
 public:
  // Indexes the description's names and resolves the variables' types.
  explicit CheckedModel(const ModelDescription& model);

  const ModelDescription& model() const { return *description_; }
  const AtomicModel* atomic(const std::string& name) const;
  const RecordType* record(const std::string& name) const;
  const ArrayType* array(const std::string& name) const;
  const StateVariable* variable(const AtomicModel& model, const std::string& name) const;
  // The type of a variable of the model (a place for an unknown name).
  VariableType typeOf(const AtomicModel& model, const std::string& variable) const;
  // The type of a record's field (int for an unknown field).
  static ScalarType fieldType(const RecordType& record, const std::string& field);
  const ActivityWiring& wiring(const Activity& activity) const { return wirings_.at(&activity); }
  // The model's schedulable groups: timed activities first, then
  // instantaneous ones, each in file order. Index = the group number.
  std::vector<const Activity*> groupOrder(const AtomicModel& model) const;
  int groupNumber(const Activity& activity) const { return groupNumbers_.at(&activity); }
  const std::vector<ExposedVariable>& exposed(const ComposedNode& node) const {
    return exposures_.at(&node).variables;
  }
  // Whether a composed node offers a variable of that name.
  bool offers(const ComposedNode& node, const std::string& name) const {
    return exposures_.at(&node).index.count(name) > 0;
  }
  const ExperimentTable& experiments() const { return table_; }
  // The atomic model of a reward (rate or impulse) after lookup.
  const AtomicModel* rewardModel(const RateReward& rate) const { return atomic(rate.model.text); }
  const AtomicModel* rewardModel(const ImpulseReward& impulse) const;
  const Activity* impulseActivity(const ImpulseReward& impulse) const;

 private:
  friend class ModelChecker;
  struct ResolvedVariable {
    const StateVariable* declaration;
    VariableType type;
  };
  struct Exposure {
    std::vector<ExposedVariable> variables;
    std::unordered_map<std::string, std::size_t> index;  // name -> position in variables
  };
  VariableType resolve(const std::string& typeName) const;

  const ModelDescription* description_;
  // Name indexes (the first element of a name; the checker reports others).
  std::unordered_map<std::string, const AtomicModel*> atomics_;
  std::unordered_map<std::string, const RecordType*> records_;
  std::unordered_map<std::string, const ArrayType*> arrays_;
  std::unordered_map<const AtomicModel*, std::unordered_map<std::string, ResolvedVariable>>
      variables_;
  // Filled by the checker.
  std::unordered_map<const Activity*, ActivityWiring> wirings_;
  std::unordered_map<const Activity*, int> groupNumbers_;
  std::unordered_map<const ComposedNode*, Exposure> exposures_;
  std::unordered_map<const ImpulseReward*, const Activity*> impulseActivities_;
  std::unordered_map<const ImpulseReward*, const AtomicModel*> impulseModels_;
  ExperimentTable table_;
};

}  // namespace sangen

#endif
