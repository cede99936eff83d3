#ifndef CORVAX_TRACE_FILE_XML_H
#define CORVAX_TRACE_FILE_XML_H

#include <forward_list>
#include <string>
#include <unordered_set>
#include <vector>

#include "Tracing/TraceFile.h"

class BaseStateVariableClass;

// The XML trace of the first simulated batch. The header declares every
// model of the tree as a process ("p<model id>") with its variables
// ("p<owner id><full name>"), the actions that change only their own model's
// variables as Action elements of their process, and the actions that change
// a variable shared through a composed model as Undiraction elements that
// touch the owning processes. Between the first and the second newBatch()
// the sequence of states (<S>) and firings (<A>) is written; the second
// newBatch() closes the document (printFooter() does when the run ended
// before), and nothing is written after it.
class TraceFileXML : public TraceFile {
 public:
  // System identifier of the DOCTYPE: relative, so that no parser needs the
  // network to read a trace.
  static constexpr const char* DoctypeSystemId = "corvax-trace.dtd";

  TraceFileXML() = default;
  explicit TraceFileXML(const char* name) : TraceFile(name) {}
  explicit TraceFileXML(std::ostream* stream) : TraceFile(stream) {}

  void printHeader(PVModel* model) override;
  void printFooter() override;
  void printInitialState(BaseModelClass* model) override;
  void printState(BaseModelClass* model) override;
  void printState(PVModel* model) override;
  void printFireAction(BaseActionClass* action, double time) override;
  void printPreFireAction(BaseActionClass* action) override;
  void printPostFireAction(BaseActionClass* action, BaseActionClass* fired) override;
  void newBatch() override;

  // The document's opening: the declarations of the processes and the
  // interactions of the tree under top (none for a null top) and the start
  // of the sequence. Written once, and only before the first newBatch().
  void printDocumentHeader(BaseModelClass* top);
  // Declares the processes of the subtree of model; records parentId as the
  // model's parent id.
  void printHeader(BaseModelClass* model, int parentId);
  // Declares the interactions of the subtree of model.
  void printHeaderInteractions(BaseModelClass* model);
  // Id of the most recently declared process with id at most limit that
  // declares a variable called fullName; -1 when there is none.
  int getModelMap(const std::string& fullName, int limit) const;
  // False when the name is already used with a first id at most id;
  // otherwise records the name with id and returns true.
  bool addUsedStateName(const std::string& name, int id);

 private:
  struct UsedName {
    std::string name;
    std::vector<int> ids;
  };
  struct Process {
    BaseModelClass* model;
    std::vector<BaseStateVariableClass*> variables;
  };

  // Declarations are written before the first batch, the sequence during it.
  bool writingHeader() const { return batchCounter_ == -1 && !closed_ && Out; }
  bool writingSequence() const { return batchCounter_ == 0 && !closed_ && Out; }
  bool isUsedStateName(const std::string& name) const;
  bool touchesUsedStateName(BaseActionClass* action) const;
  void closeDocument();
  // Id of the process that owns the variable as seen from a model with id
  // modelId: modelId itself for a variable that is not shared.
  int owningProcess(BaseStateVariableClass* variable, int modelId) const;
  void writeVariableDeclaration(int processId, BaseStateVariableClass* variable);
  void writeStateValue(int processId, BaseStateVariableClass* variable);

  std::vector<UsedName> usedStateNames_;
  // Actions declared inside their process; every other action of an atomic
  // model is declared as an interaction.
  std::unordered_set<const BaseActionClass*> printedActions_;
  int batchCounter_ = -1;
  bool headerWritten_ = false;
  bool closed_ = false;
  double firingTime_ = 0.0;
  std::forward_list<Process> modelMap_;  // most recently declared first
};

#endif
