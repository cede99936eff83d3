#ifndef SANGEN_GENERATION_H
#define SANGEN_GENERATION_H

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CheckedModel.h"
#include "CodeWriter.h"
#include "GeneratedNames.h"

namespace sangen {

// One file to write: its name inside the output folder and its text.
struct GeneratedFile {
  std::string name;
  std::string text;
};

// The first line of every generated file, by which sangen knows its own
// files (and never deletes or replaces another): "// Generated from
// <model file's name>; do not edit."
std::string generatedBanner(const std::string& modelFile);
bool isGeneratedText(const std::string& text);

// What every writer of generated code needs: the checked model, where the
// files go, and the list they are collected in.
class Generation {
 public:
  // `folder`: absolute path of the output folder, whose last component is
  // the model's name (generated files include each other as
  // "<model>/<file>"); `modelFile`: absolute path of the model file.
  Generation(const CheckedModel& model, std::string folder, std::string modelFile);

  const CheckedModel& checked() const { return model_; }
  const ModelDescription& description() const { return model_.model(); }
  // A writer for a file of the output folder, its text started with the
  // banner.
  CodeWriter writer(const std::string& fileName) const;
  void add(const CodeWriter& writer);
  // "#include \"<model>/<file>\"\n"
  std::string include(const std::string& fileName) const;
  // Include guard of a file: <MODEL>_<FILE>_H
  std::string guard(const std::string& fileName) const;
  const std::vector<GeneratedFile>& files() const { return output_; }
  // "x.yaml line 12": for comments that point back to the model file.
  std::string origin(Position at) const;
  // "x.yaml:12": an element's place in the model file, for the model's
  // own messages and for tools that drive it.
  std::string position(Position at) const;
  // The class of the top model the reward model wraps.
  std::string topClass() const;

 private:
  const CheckedModel& model_;
  std::string folder_;
  std::string modelFile_;
  std::string fileName_;  // of the model file, fit for a comment or a string
  std::vector<GeneratedFile> output_;
};

// Declares, before a snippet, one local per used variable through which the
// snippet reads it (read-only access, or every access when `readOnly`) or
// changes it. `object(name)` gives the expression of the variable object;
// `cell(name)` the expression of a pointer to a place's value cell (empty:
// the cell is reached through the object); `table(name)` the expression of
// an array's element table (empty: none; see tableType). `recent`: arrays
// are read through their tables' recent() (code run far more often than
// firings, see san::ElementTable).
void declareViews(CodeWriter& out, const Generation& generation, const AtomicModel& atomic,
                  const std::vector<VariableUse>& uses, bool readOnly,
                  const std::function<std::string(const std::string&)>& object,
                  const std::function<std::string(const std::string&)>& cell,
                  const std::function<std::string(const std::string&)>& table, bool recent = false);
// The type of the element table (san::CellTable, san::ViewTable) of an
// array variable.
std::string tableType(const VariableType& type);
// The expression creating a state variable of that name and type, starting
// from `initial` (a place's marking or a record's value; empty: zero).
std::string creation(const std::string& name, const VariableType& type,
                     const std::string& initial = "");

// C++ literal of a study value of the given type (held exactly as a double).
std::string literal(ScalarType type, double value);

void writeGlobals(Generation& generation);
void writeTypes(Generation& generation);
void writeAtomicModel(Generation& generation, const AtomicModel& atomic);
void writeComposition(Generation& generation);
void writeRewardModel(Generation& generation);
void writeStudy(Generation& generation);
// The model's part of its simulator's -h text: variables, experiments,
// measures and example command lines.
std::string modelHelp(const CheckedModel& model);
// The study description for study tools (JSON); none for a model whose
// reward variables mix terminating and steady-state ones, since a study
// runs one kind of simulation. `diagram`: where the model's drawing is,
// relative to the description's folder (empty: none is drawn).
std::optional<std::string> studyDescription(const CheckedModel& model,
                                            const std::string& diagram = "");

// Every generated file of the model, the last one being "<model>_all.cpp",
// which includes every generated source so that they compile as one unit.
std::vector<GeneratedFile> generateModel(const CheckedModel& model, const std::string& folder,
                                         const std::string& modelFile);

}  // namespace sangen

#endif
