#ifndef CORVAX_TRACE_FILE_CORVAX_H
#define CORVAX_TRACE_FILE_CORVAX_H

#include "Tracing/TraceFile.h"

class BaseStateVariableClass;

// The plain-text trace: a header, batch separators, model states written
// depth first over the model tree, and firings, whose detail grows with the
// level (1: one line per firing; 2: also the enabling and affected state).
// Every line is flushed as it is written.
class TraceFileCorvax : public TraceFile {
 public:
  TraceFileCorvax() = default;
  explicit TraceFileCorvax(const char* name) : TraceFile(name) {}
  explicit TraceFileCorvax(std::ostream* stream) : TraceFile(stream) {}

  void printHeader(PVModel* model) override;
  void printFooter() override;
  void printInitialState(BaseModelClass* model) override;
  // "  Model: (id)name", its variables' leaves, then every child in order.
  void printState(BaseModelClass* model) override;
  void printState(PVModel* model) override;
  void printFireAction(BaseActionClass* action, double time) override;
  void printPreFireAction(BaseActionClass* action) override;
  void printPostFireAction(BaseActionClass* action, BaseActionClass* fired) override;
  void newBatch() override;

 private:
  // "<indent><full name> = <value>"
  void printVariableLine(const char* indent, BaseStateVariableClass* variable);
};

#endif
