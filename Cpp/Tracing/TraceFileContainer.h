#ifndef CORVAX_TRACE_FILE_CONTAINER_H
#define CORVAX_TRACE_FILE_CONTAINER_H

#include <vector>

#include "Tracing/TraceFile.h"

// The one writer the executive talks to: forwards every call to the writers
// added to it, in order of addition. It does not own the writers.
class TraceFileContainer : public TraceFile {
 public:
  // Longest text that printf passes on; longer output is cut.
  static constexpr int MaxTextLength = 999;

  TraceFileContainer() = default;

  // Appends a writer (a null one or one already added is ignored).
  void AddTraceFile(TraceFile* writer);
  // Stops forwarding to the writer.
  void RemoveTraceFile(TraceFile* writer);
  // The reward model whose tree the header and the states describe.
  void addPVModel(PVModel* model) { model_ = model; }
  int getNumTraceFiles() const { return static_cast<int>(writers_.size()); }

  // printHeader(reward model) on each writer.
  void printHeader();
  // printState(reward model) on each writer.
  void printState();
  // printInitialState(top model of the reward model) on each writer.
  void printInitialState();

  // The container's own model-taking forms describe nothing.
  void printHeader(PVModel* model) override;
  void printState(PVModel* model) override;
  void printState(BaseModelClass* model) override;
  void printInitialState(BaseModelClass* model) override;

  void printFooter() override;
  void newBatch() override;
  void printFireAction(BaseActionClass* action, double time) override;
  void printPreFireAction(BaseActionClass* action) override;
  void printPostFireAction(BaseActionClass* action, BaseActionClass* fired) override;
  // Formats the text (cut at MaxTextLength characters) and passes it to
  // printStr of each writer; returns the length passed on.
  int printf(int level, const char* format, ...) override __attribute__((format(printf, 3, 4)));
  void printStr(int level, const char* text) override;

 private:
  PVModel* model_ = nullptr;
  std::vector<TraceFile*> writers_;
};

#endif
