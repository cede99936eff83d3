#ifndef CORVAX_BASE_STUDY_CLASS_H
#define CORVAX_BASE_STUDY_CLASS_H

class PVModel;

// Generic part of a study: the table of global-variable names and types,
// the experiment count, the reward model handed out, experiment names and
// the parser of the global-variable override string.
class BaseStudyClass {
 public:
  BaseStudyClass() = default;
  BaseStudyClass(const BaseStudyClass&) = delete;
  BaseStudyClass& operator=(const BaseStudyClass&) = delete;
  virtual ~BaseStudyClass();

  virtual PVModel* GetPVModel(bool expandTimes);
  virtual void SetGVs(int experiment);
  virtual void PrintGlobalValues(int experiment);
  virtual void* GetGVValue(const char* name);
  virtual void OverrideGVValue(const char* name, void* value);

  unsigned GetNumGVs() const { return NumGVs; }
  const char* GetGVName(int i) const { return GVNames[i]; }
  const char* GetGVType(int i) const { return GVTypes[i]; }
  unsigned GetNumExps() const { return NumExps; }
  // "Experiment <i+1>", in one buffer shared by all calls.
  static const char* GetExpName(int i);

  // Applies "type:name:value[:type:name:value...]" to the global variables.
  void overrideGVs(const char* text);

 protected:
  // Fills the name and type tables with heap copies.
  void SetGVTable(unsigned count, const char* const* names, const char* const* types);

  char** GVNames = nullptr;
  char** GVTypes = nullptr;
  PVModel* ThePVModel = nullptr;
  unsigned NumGVs = 0;
  unsigned NumExps = 0;
};

// The one study of the process, provided by the generated study code; the
// study owns the reward model GetPVModel made last.
BaseStudyClass* GenerateStudy();
void DestructStudy();

#endif
