#ifndef SAN_STUDY_VARIABLE_ASSIGNMENTS_H
#define SAN_STUDY_VARIABLE_ASSIGNMENTS_H

#include <optional>
#include <string>
#include <vector>

#include "StudyDescriptionTypes.h"

// A value given to one global variable on the command line.
struct Assignment {
  int variable = -1;  // index in the description
  double value = 0.0;
  std::string text;  // the value as the simulator will read it
};

// The -O text of assignments: "d:name:value:s:other:12".
std::string OverrideText(const std::vector<Assignment>& assignments,
                         const StudyDescription& description);

// Checks one value for a variable: the type letter must be the variable's
// own, the text must be a whole number of the type (integers in decimal,
// without leading zeros, which the simulator would read as octal), inside
// the type's range and the variable's declared range. An error text, or
// the value in `value`.
std::optional<std::string> CheckValue(const GlobalVariable& variable, char letter,
                                      const std::string& text, double& value);

// Parses an override text (type:name:value triples separated by ':'; empty
// fields are skipped as the simulator skips them) strictly.
std::optional<std::string> ParseOverride(const std::string& text,
                                         const StudyDescription& description,
                                         std::vector<Assignment>& assignments);

// One swept variable: NAME=FIRST:LAST:STEP or NAME=V1,V2,..., optionally
// with the variable's type letter in front (TYPE:NAME=...).
struct Sweep {
  std::string text;  // as given
  int variable = -1;
  std::vector<Assignment> points;
};

// At most this many values per sweep, and points per study.
constexpr std::size_t kMaxSweepPoints = 10000;

std::optional<std::string> ParseSweep(const std::string& text, const StudyDescription& description,
                                      Sweep& sweep);

#endif
