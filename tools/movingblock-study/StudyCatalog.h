#ifndef MOVINGBLOCK_STUDY_STUDY_CATALOG_H
#define MOVINGBLOCK_STUDY_STUDY_CATALOG_H

#include <optional>
#include <string>
#include <vector>

// One global variable of an experiment, with its value as text.
struct GlobalVariableValue {
  std::string name;
  std::string type;
  std::string value;
};

// What the study says about one experiment, after the override.
struct ExperimentInfo {
  int index = 0;                // the simulator's -e
  std::string name;             // "Experiment <index + 1>"
  double lossProbability = 0;   // netNotDeliveryProb; NaN when the study has none
  std::vector<GlobalVariableValue> globalVariables;
};

// The experiments of the study linked into this program (GenerateStudy),
// read once: names and global-variable values, with the override text
// applied the way every simulator applies it.
class StudyCatalog {
 public:
  static constexpr const char* kLossVariable = "netNotDeliveryProb";

  // Reads the study; `overrideText` is the -O text handed to every
  // simulator (empty for none). The caller checks it first with
  // CheckOverride.
  explicit StudyCatalog(const std::string& overrideText = "");
  ~StudyCatalog();
  StudyCatalog(const StudyCatalog&) = delete;
  StudyCatalog& operator=(const StudyCatalog&) = delete;

  const std::vector<ExperimentInfo>& Experiments() const { return experiments_; }

  // An error text when `overrideText` is not a list of type:name:value
  // triples with known types and names of this study's global variables.
  static std::optional<std::string> CheckOverride(const std::string& overrideText);

 private:
  std::vector<ExperimentInfo> experiments_;
};

#endif
