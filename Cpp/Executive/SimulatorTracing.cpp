// The trace files' opening check and their closing.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <ostream>

#include "Executive/FileSync.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/SimulatorClass.h"
#include "Tracing/TraceFileCorvax.h"
#include "Tracing/TraceFileXML.h"

namespace {

// Flushes a trace writer's file and syncs it to disk; a failure is reported
// and fails the run.
void finishTraceFile(TraceFile* writer, const std::string& path) {
  std::ostream* stream = writer->getStream();
  if (stream == nullptr) return;
  stream->flush();
  if (stream->fail()) {
    std::cerr << "ERROR: The trace file '" << path << "' could not be written completely"
              << std::endl;
    ProcessExitStatus::Fail();
    return;
  }
  if (const int error = SyncFileToDisk(path.c_str()); error != 0) {
    std::cerr << "ERROR: The trace file '" << path
              << "' could not be synced to disk: " << std::strerror(error) << std::endl;
    ProcessExitStatus::Fail();
  }
}

}  // namespace

// A trace that was asked for is never dropped silently.
void SimulatorClass::RequireOpenTraceFile(const TraceFile& writer, const std::string& path,
                                          int error) {
  if (writer.getStream() != nullptr && !writer.getStream()->fail()) return;
  std::cerr << "ERROR: Cannot open trace file '" << path << "': " << std::strerror(error)
            << std::endl;
  std::exit(1);
}

void SimulatorClass::FinishTraceFiles() {
  if (settings_.TraceFileName() == nullptr) return;  // standard output is not synced
  if (plainTrace_ != nullptr) finishTraceFile(plainTrace_.get(), settings_.PlainTracePath());
  if (xmlTrace_ != nullptr) finishTraceFile(xmlTrace_.get(), settings_.XMLTracePath());
}
