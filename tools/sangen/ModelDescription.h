#ifndef SANGEN_MODEL_DESCRIPTION_H
#define SANGEN_MODEL_DESCRIPTION_H

// What a model file describes, as read from it: plain records in the
// file's order, each with the position of its element for error messages.
// Names refer to other elements by text; the checker (ModelChecker.h)
// resolves them.

#include <optional>
#include <string>
#include <vector>

#include "Diagnostics.h"

namespace sangen {

// C++ text taken from the model file: an expression or a block of
// statements. `at` is where the text's first character stands in the file;
// `indent` is the column of every line of a block (the YAML indentation
// that the reader took off), so that generated code can put it back and a
// compiler's line and column point into the model file.
struct Snippet {
  std::string text;
  Position at;
  int indent = 0;
  bool empty() const { return text.empty(); }
};

// A name with the place it was written.
struct Name {
  std::string text;
  Position at;
};

enum class ScalarType { Short, Int, Char, Double, Bool };

const char* cppName(ScalarType type);
std::optional<ScalarType> scalarTypeNamed(const std::string& text);

// A valid range of a global variable, e.g. "[0, 1]" or "(0, inf)".
struct Range {
  double min = 0.0;
  double max = 0.0;
  bool minOpen = false;
  bool maxOpen = false;
  Position at;
  std::string text;  // as written
  bool holds(double value) const;
};

struct GlobalVariable {
  Name name;
  ScalarType type = ScalarType::Double;
  std::optional<Range> range;
};

// A record type: named fields, each a typed place.
struct RecordField {
  Name name;
  ScalarType type = ScalarType::Int;
};
struct RecordType {
  Name name;
  std::vector<RecordField> fields;
};

// An array type: `length` elements of a scalar type or a record type.
struct ArrayType {
  Name name;
  Name element;  // "short", "int", "double" or a record type's name
  Snippet length;
};

// A state variable of an atomic model. `type` is "place" (a place with a
// short marking), "short", "int", "double" (typed places), or the name of a
// record or array type.
struct StateVariable {
  Name name;
  Name type;
  // Initial value: the marking of a place; for an array, an expression in
  // the element index i; for a record or an array of records, one
  // expression per field (fieldInitials).
  Snippet initial;
  std::vector<std::pair<Name, Snippet>> fieldInitials;
};

enum class Access { Read, Change };

// A state variable that a gate or an expression uses.
struct VariableUse {
  Name name;
  Access access = Access::Read;
};

struct Gate {
  Name name;
  std::vector<VariableUse> uses;
  Snippet predicate;  // input gates only
  Snippet function;   // statements; may be empty for an input gate
};

struct Case {
  Position at;
  std::optional<Snippet> weight;
  std::vector<VariableUse> reads;  // what the weight expression reads
  std::vector<Name> outputArcs;
  std::vector<Gate> outputGates;
};

// The firing-time distribution of an activity and its parameter
// expressions; "instantaneous" has none. `onChange` says what becomes of a
// sampled firing time when a variable the parameters read changes: "keep"
// it, or "redraw" it from the parameters' new values (the default of an
// exponential timing, which being memoryless then follows its rate
// exactly; other distributions must say).
struct Timing {
  Position at;
  Name distribution;
  std::vector<Snippet> parameters;
  std::vector<VariableUse> reads;  // what the parameter expressions read
  std::optional<Name> onChange;
};

struct Reactivation {
  Position at;
  std::vector<VariableUse> reads;
  Snippet predicate;
  Snippet function;
};

struct Activity {
  Name name;
  Timing timing;
  std::optional<Snippet> priority;
  std::vector<Name> inputArcs;
  std::vector<Gate> inputGates;
  std::vector<Case> cases;   // one for an activity without `cases`
  bool hasCaseList = false;  // written with `cases`
  Name selection;            // "postselect" (default) or "preselect"
  std::optional<Reactivation> reactivation;
  bool instantaneous() const { return distribution() == "instantaneous"; }
  const std::string& distribution() const { return timing.distribution.text; }
};

struct AtomicModel {
  Name name;
  std::vector<StateVariable> variables;
  std::vector<Activity> activities;
  std::optional<Snippet> functions;  // helper definitions
};

// A node of the composed model: a Join, a Rep or an atomic model.
struct ComposedNode {
  enum Kind { Atomic, Join, Rep };
  Kind kind = Atomic;
  Name name;         // node name; for an atomic node, the atomic model's name
  Snippet replicas;  // Rep only
  std::vector<Name> shared;
  std::vector<ComposedNode> children;  // a Rep has exactly one
};

// The deepest nesting of joins and reps a composition may have.
constexpr int kMaxCompositionDepth = 64;

struct Composition {
  Name name;  // class stem of the root
  ComposedNode root;
};

enum class Measure { InstantOfTime, IntervalOfTime, TimeAveraged };

// A bound of the value one observation of a reward variable can take, or
// another count given the same way: a number, or the value of a global
// variable (`global` non-empty).
struct ObservationBound {
  Position at;
  double number = 0.0;
  std::string global;
};

// How a rate reward combines the values of the instances of its model:
// their sum, or over the instances where the value (a condition) holds,
// their count, all, any or at least `least` of them; or the least or the
// greatest value.
enum class Aggregate { Sum, Count, All, Any, AtLeast, Min, Max };

struct RateReward {
  Position at;
  Name model;
  std::vector<VariableUse> reads;
  Snippet value;
  Aggregate aggregate = Aggregate::Sum;
  Position aggregateAt;
  std::optional<ObservationBound> least;  // `at_least`, with Aggregate::AtLeast
};

struct ImpulseReward {
  Position at;
  Name activity;
  std::optional<Name> model;
  int caseNumber = 0;  // 0: every case
  Position caseAt;
  std::vector<VariableUse> reads;
  Snippet value;
};

struct SteadyState {
  Position at;
  double start = 0.0;  // end of the initial transient
  double batch = 0.0;  // length of one batch window
};

struct RewardVariable {
  Name name;
  std::string description;  // free text, for study tools
  Measure measure = Measure::IntervalOfTime;
  Position measureAt;
  std::optional<RateReward> rate;
  std::vector<ImpulseReward> impulses;
  // Time points (start == stop) or windows [start, stop].
  std::vector<std::pair<double, double>> windows;
  Position windowsAt;
  bool givenAsTimes = false;  // written as `times` (else as `windows`)
  std::optional<SteadyState> steadyState;
  // Declared bounds of one observation (`bounds: {min, max}`).
  std::optional<ObservationBound> lowest, highest;
};

// A measure computed from two reward variables, not observed by the
// simulator: the ratio of their means (drops per arrival, a response time
// by Little's law), one value per time point of the variables.
struct DerivedMeasure {
  Name name;
  std::string description;  // free text, for study tools
  Position ratioAt;
  Name numerator, denominator;  // reward variables with the same measure and times
};

struct Rewards {
  Name name;
  std::vector<RewardVariable> variables;
  std::vector<DerivedMeasure> derived;
};

// A value of a global variable in the study, as written.
struct StudyValue {
  std::string text;
  Position at;
  bool quoted = false;
};

// The values one global variable takes: a single value, a list, or an
// additive range (from, to, step), expanded by repeated addition.
struct StudySetting {
  Name global;
  std::vector<StudyValue> values;  // single value or list
  std::optional<StudyValue> from, to, step;
  bool isList = false;
};

// A condition that the global variables' values must satisfy together
// (each within its range); `message` (a std::string expression) says what
// is wrong when it does not hold.
struct StudyConstraint {
  Snippet holds;
  Snippet message;
};

struct Study {
  Name name;
  Name combination;  // "product" (default) or "parallel"
  std::vector<StudySetting> settings;
  std::vector<StudyConstraint> constraints;
};

struct ModelDescription {
  std::string name;  // the model file's stem
  std::string file;  // path of the model file
  std::vector<GlobalVariable> globals;
  std::vector<RecordType> records;
  std::vector<ArrayType> arrays;
  std::vector<AtomicModel> models;
  std::optional<Composition> composition;
  std::optional<Rewards> rewards;
  std::optional<Study> study;
  Position end;  // end of the file, for errors about missing sections
};

}  // namespace sangen

#endif
