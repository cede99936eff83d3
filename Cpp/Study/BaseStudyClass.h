#ifndef CORVAX_BASE_STUDY_CLASS_H
#define CORVAX_BASE_STUDY_CLASS_H

#include <string>
#include <vector>

#include "Study/GVRange.h"

class PVModel;

// Generic part of a study: the table of global-variable names, types and
// valid ranges, the experiment count, the reward model handed out,
// experiment names and the parser of the global-variable override string.
class BaseStudyClass {
 public:
  // One override of a global variable, checked and converted to the
  // variable's own type.
  struct GVAssignment {
    int Index = 0;  // in the global-variable table
    union {
      bool b;
      char c;
      double d;
      float f;
      int i;
      long l;
      short s;
    } Value{};
  };

  BaseStudyClass() = default;
  BaseStudyClass(const BaseStudyClass&) = delete;
  BaseStudyClass& operator=(const BaseStudyClass&) = delete;
  virtual ~BaseStudyClass();

  virtual PVModel* GetPVModel(bool expandTimes);
  virtual void SetGVs(int experiment);
  virtual void PrintGlobalValues(int experiment);
  virtual void* GetGVValue(const char* name);
  virtual void OverrideGVValue(const char* name, void* value);

  // The model's part of the simulator's -h text (its variables,
  // experiments and measures, with examples); empty when the study has none.
  virtual const char* ModelHelp() const { return ""; }

  unsigned GetNumGVs() const { return NumGVs; }
  const char* GetGVName(int i) const { return GVNames[i]; }
  const char* GetGVType(int i) const { return GVTypes[i]; }
  // The valid values of global variable i (any value of its type when the
  // study declares no ranges).
  GVRange GetGVRange(int i) const;
  unsigned GetNumExps() const { return NumExps; }
  // "Experiment <i+1>", in one buffer shared by all calls.
  static const char* GetExpName(int i);

  // Applies "type:name:value[:type:name:value...]" to the global variables.
  // Every triple is checked first (ParseOverrides); on any error nothing is
  // applied. Returns 0 when applied, 1 when refused (messages on standard
  // error).
  int overrideGVs(const char* text);
  // Reads the override text into assignments: each triple must name a
  // global variable of the table with a known type letter and a value that
  // parses whole, fits the variable's type and lies in its range. Returns 0,
  // or 1 after writing a message to standard error.
  int ParseOverrides(const char* text, std::vector<GVAssignment>& assignments) const;
  void ApplyOverrides(const std::vector<GVAssignment>& assignments);
  // Checks the current values of all global variables against their ranges,
  // and that they fit together (GVCombinationProblem). Returns 0, or 1 after
  // writing a message to standard error.
  int CheckGVs();

  // A measure the model derives from two reward variables: the ratio of
  // their values at each of their (common) time points. The simulator does
  // not observe it; the exact solver and the study tool compute it.
  struct DerivedRatio {
    std::string name;
    std::string numerator;
    std::string denominator;
  };
  const std::vector<DerivedRatio>& DerivedRatios() const { return derivedRatios_; }

 protected:
  // Fills the name and type tables with heap copies.
  void SetGVTable(unsigned count, const char* const* names, const char* const* types);
  // One range per global variable, in table order.
  void SetGVRanges(const GVRange* ranges);
  // A description of values that are each in range but cannot be used
  // together by the model; empty when there is none.
  virtual std::string GVCombinationProblem() { return ""; }
  void AddDerivedRatio(DerivedRatio ratio) { derivedRatios_.push_back(std::move(ratio)); }

  char** GVNames = nullptr;
  char** GVTypes = nullptr;
  PVModel* ThePVModel = nullptr;
  unsigned NumGVs = 0;
  unsigned NumExps = 0;
  std::vector<GVRange> GVRanges;  // empty, or one per global variable

 private:
  std::vector<DerivedRatio> derivedRatios_;
};

// The one study of the process, provided by the generated study code; the
// study owns the reward model GetPVModel made last.
BaseStudyClass* GenerateStudy();
void DestructStudy();

#endif
