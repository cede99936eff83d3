#ifndef SAN_STUDY_STUDY_DESCRIPTION_TYPES_H
#define SAN_STUDY_STUDY_DESCRIPTION_TYPES_H

#include <limits>
#include <optional>
#include <string>
#include <vector>

// What the study tool knows about a model: its global variables with their
// types and valid ranges, the experiments of its study, and the quantities
// its simulator observes. Read from the description written beside the
// simulator (StudyDescriptionReader); nothing about a model is compiled
// into the tool.

// The C++ type of a global variable, with the letter its overrides use.
enum class VariableType { Double, Float, Int, Short, Long, Char, Bool };

struct ValueBounds {
  double min = -std::numeric_limits<double>::infinity();
  double max = std::numeric_limits<double>::infinity();
  bool minOpen = false;
  bool maxOpen = false;

  bool Contains(double value) const;
  // "[0, 1]", "(0, inf)".
  std::string Text() const;
};

struct GlobalVariable {
  std::string name;
  VariableType type = VariableType::Double;
  ValueBounds range;  // declared by the model; the type's own range applies too
};

struct ExperimentDescription {
  std::string name;
  std::vector<double> values;  // one per global variable, in table order
};

// A bound of an observed value: a number, or the value of a global variable.
struct ValueLimit {
  double number = 0.0;
  int variable = -1;  // index of the global variable, or -1 for the number

  double Resolve(const std::vector<double>& values) const {
    return variable >= 0 ? values[variable] : number;
  }
};

// One observed quantity: a reward variable in one time window, at one time
// point, or its batch means in a steady-state run. The simulator numbers
// them 0, 1, ... in this order (the PV index of its messages and files).
// After them come the derived measures, which the simulator does not
// observe: each the ratio of the means of two observed measures.
struct Measure {
  std::string rewardVariable;
  std::string label;                          // "[0, 100]", "t = 0.5", "steady state"
  double start = 0.0;                         // window start, or the time point
  double end = 0.0;                           // window end, or the time point
  std::optional<ValueLimit> lowest, highest;  // declared bounds of one observation
  int numerator = -1;                         // a derived measure: its terms' indices
  int denominator = -1;

  bool Derived() const { return numerator >= 0; }
};

struct RewardVariable {
  std::string name;
  std::string description;
  std::string kind;  // "impulse", "rate", ..., "ratio" for a derived measure
  std::string
      observation;  // "interval-of-time", "instant-of-time", "time-averaged", "steady-state"
};

class StudyDescription {
 public:
  std::string model;
  std::string study;  // the study's name; empty in older descriptions
  bool steadyState = false;
  std::string settingsText;  // the simulation settings as written, e.g. batch sizes
  std::vector<GlobalVariable> variables;
  std::vector<ExperimentDescription> experiments;
  std::vector<RewardVariable> rewards;
  std::vector<Measure> measures;
  // The model's drawing (an SVG file), relative to the description's
  // folder; empty: none.
  std::string diagram;
  std::string source;  // the file it was read from
  std::string digest;  // of the file's content, to tell descriptions apart

  // Index of the named global variable, or -1.
  int VariableIndex(const std::string& name) const;
  // The measures the simulator observes: those before the derived ones.
  std::size_t ObservedCount() const;
};

// "double", "int", ... and back; the override letter of each type.
const char* TypeName(VariableType type);
std::optional<VariableType> TypeFromName(const std::string& name);
char OverrideLetter(VariableType type);
bool IsIntegerType(VariableType type);
// The range the type itself can hold (all finite doubles for double).
ValueBounds TypeBounds(VariableType type);
// A value of the type as text: integers without a fraction, doubles as the
// shortest text that reads back to them.
std::string ValueText(VariableType type, double value);

#endif
