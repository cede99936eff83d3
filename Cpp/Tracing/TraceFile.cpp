#include "Tracing/TraceFile.h"

#include "Tracing/TraceModelWalk.h"

int TraceLevel = 1;

TraceFile::TraceFile() : Level(1) { TraceLevel = 1; }

TraceFile::TraceFile(const char* name) : Level(0), ownedFile_(std::make_unique<std::ofstream>()) {
  if (name) ownedFile_->open(name, std::ios::out | std::ios::trunc);
  Out = ownedFile_.get();  // a stream never opened drops what is written to it
}

TraceFile::TraceFile(std::ostream* stream) : Level(0), Out(stream) {}

TraceFile::~TraceFile() = default;

void TraceFile::printHeader(PVModel*) {}
void TraceFile::printFooter() {}
void TraceFile::printInitialState(BaseModelClass*) {}
void TraceFile::printState(BaseModelClass*) {}
void TraceFile::printState(PVModel* model) { printState(topModelOf(model)); }
void TraceFile::printFireAction(BaseActionClass*, double) {}
void TraceFile::printPreFireAction(BaseActionClass*) {}
void TraceFile::printPostFireAction(BaseActionClass*, BaseActionClass*) {}
void TraceFile::newBatch() {}
int TraceFile::printf(int, const char*, ...) { return 0; }
void TraceFile::printStr(int, const char*) {}

void TraceFile::setTraceLevel(int level) {
  Level = level;
  TraceLevel = level;
}
