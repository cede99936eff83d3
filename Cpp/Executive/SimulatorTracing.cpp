// The trace around the firings: the states the levels ask for, the batch
// separators, the trace files' opening check, the watch on the writers'
// streams and their closing.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <ostream>
#include <string>

#include "Executive/FileSync.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/SimulatorClass.h"
#include "Rewards/PVModel.h"
#include "Tracing/TraceFileContainer.h"
#include "Tracing/TraceFileCorvax.h"
#include "Tracing/TraceFileXML.h"

namespace {

// How a message names the writer's output.
std::string traceTarget(const std::string& path) {
  return path.empty() ? std::string("The trace on standard output")
                      : "The trace file '" + path + "'";
}

// Flushes a trace writer's output and, for a file, syncs it to disk; a
// failure is reported and fails the run.
void finishTraceFile(TraceFile* writer, const std::string& path) {
  std::ostream* stream = writer->getStream();
  if (stream == nullptr) return;
  stream->flush();
  if (stream->fail()) {
    std::cerr << "ERROR: " << traceTarget(path) << " could not be written completely" << std::endl;
    ProcessExitStatus::Fail();
    return;
  }
  if (path.empty()) return;  // standard output is not synced
  if (const int error = SyncFileToDisk(path.c_str()); error != 0) {
    std::cerr << "ERROR: " << traceTarget(path)
              << " could not be synced to disk: " << std::strerror(error) << std::endl;
    ProcessExitStatus::Fail();
  }
}

}  // namespace

BaseActionClass* SimulatorClass::FireTraced(BaseActionClass* action, double now) {
  traceContainer_->printFireAction(action, now);
  traceContainer_->printPreFireAction(action);
  BaseActionClass* const fired = rewardModel_->FireAction(action, now);
  traceContainer_->printPostFireAction(action, fired);
  return fired;
}

void SimulatorClass::TraceStartState() {
  if (settings_.TraceLevel() >= kStateTraceLevel) traceContainer_->printInitialState();
}

void SimulatorClass::TraceNewBatch() {
  if (settings_.TraceLevel() >= kFullTraceLevel) traceContainer_->printState();
  traceContainer_->newBatch();
  CheckTraceWriters();
}

// Every line is flushed as it is written, so a failed write shows in the
// stream's state at once; nothing of the trace is held back in memory.
void SimulatorClass::CheckTraceWriters() {
  auto check = [this](TraceFile* writer, bool& lost, const std::string& path) {
    if (writer == nullptr || lost || !writer->getStream() || !writer->getStream()->fail()) return;
    lost = true;
    traceContainer_->RemoveTraceFile(writer);
    std::cerr << "ERROR: " << traceTarget(path)
              << " could not be written; the run goes on without it" << std::endl;
    ProcessExitStatus::Fail();
  };
  check(plainTrace_.get(), plainTraceLost_, settings_.PlainTracePath());
  check(xmlTrace_.get(), xmlTraceLost_, settings_.XMLTracePath());
  tracing_ = traceContainer_->getNumTraceFiles() > 0;
}

// A trace that was asked for is never dropped silently.
void SimulatorClass::RequireOpenTraceFile(const TraceFile& writer, const std::string& path,
                                          int error) {
  if (writer.getStream() != nullptr && !writer.getStream()->fail()) return;
  std::cerr << "ERROR: Cannot open trace file '" << path << "': " << std::strerror(error)
            << std::endl;
  std::exit(1);
}

void SimulatorClass::FinishTraceFiles() {
  if (plainTrace_ != nullptr && !plainTraceLost_)
    finishTraceFile(plainTrace_.get(), settings_.PlainTracePath());
  if (xmlTrace_ != nullptr && !xmlTraceLost_)
    finishTraceFile(xmlTrace_.get(), settings_.XMLTracePath());
}
