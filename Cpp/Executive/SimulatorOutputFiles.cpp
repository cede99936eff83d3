// Which files a run writes: the check that no two of them are one file, and
// the trace files' opening and closing (the result files have their own
// source).
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <ostream>

#include "Executive/FileSync.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/OutputPaths.h"
#include "Executive/SimulatorClass.h"
#include "Tracing/TraceFileCorvax.h"
#include "Tracing/TraceFileXML.h"

namespace {

std::string plainTracePath(const char* baseName) { return std::string(baseName) + ".txt"; }
std::string xmlTracePath(const char* baseName) { return std::string(baseName) + ".xml"; }

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

std::vector<std::pair<std::string, std::string>> SimulatorClass::OutputFiles() const {
  std::vector<std::pair<std::string, std::string>> files;
  if (ASCIIFileName != nullptr) files.emplace_back("ASCII result file", ASCIIFileName);
  if (BinFileName != nullptr) files.emplace_back("binary result file", BinFileName);
  if (TraceFileName != nullptr && PlainTraceOn)
    files.emplace_back("plain trace file", plainTracePath(TraceFileName));
  if (TraceFileName != nullptr && XMLTraceOn)
    files.emplace_back("XML trace file", xmlTracePath(TraceFileName));
  return files;
}

void SimulatorClass::CheckOutputPaths() {
  const auto files = OutputFiles();
  const auto [first, second] = OutputPaths::FirstCollision(files);
  if (first < 0) return;
  std::cerr << "ERROR: The " << files[first].first << " '" << files[first].second << "' and the "
            << files[second].first << " '" << files[second].second
            << "' are the same file; each output needs a file of its own." << std::endl;
  std::exit(1);
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
  if (TraceFileName == nullptr) return;  // standard output is not synced
  if (PlainTrace != nullptr) finishTraceFile(PlainTrace, plainTracePath(TraceFileName));
  if (XMLTrace != nullptr) finishTraceFile(XMLTrace, xmlTracePath(TraceFileName));
}
