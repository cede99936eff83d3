#include "Tracing/TraceFileContainer.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "Tracing/TraceModelWalk.h"

void TraceFileContainer::AddTraceFile(TraceFile* writer) {
  if (writer && writer != this &&
      std::find(Writers.begin(), Writers.end(), writer) == Writers.end())
    Writers.push_back(writer);
}

void TraceFileContainer::RemoveTraceFile(TraceFile* writer) {
  Writers.erase(std::remove(Writers.begin(), Writers.end(), writer), Writers.end());
}

void TraceFileContainer::printHeader() {
  for (TraceFile* writer : Writers) writer->printHeader(Model);
}

void TraceFileContainer::printState() {
  for (TraceFile* writer : Writers) writer->printState(Model);
}

void TraceFileContainer::printInitialState() {
  BaseModelClass* top = topModelOf(Model);
  for (TraceFile* writer : Writers) writer->printInitialState(top);
}

void TraceFileContainer::printHeader(PVModel*) {}
void TraceFileContainer::printState(PVModel*) {}
void TraceFileContainer::printState(BaseModelClass*) {}

void TraceFileContainer::printInitialState(BaseModelClass* model) {
  for (TraceFile* writer : Writers) writer->printInitialState(model);
}

void TraceFileContainer::printFooter() {
  for (TraceFile* writer : Writers) writer->printFooter();
}

void TraceFileContainer::newBatch() {
  for (TraceFile* writer : Writers) writer->newBatch();
}

void TraceFileContainer::printFireAction(BaseActionClass* action, double time) {
  for (TraceFile* writer : Writers) writer->printFireAction(action, time);
}

void TraceFileContainer::printPreFireAction(BaseActionClass* action) {
  for (TraceFile* writer : Writers) writer->printPreFireAction(action);
}

void TraceFileContainer::printPostFireAction(BaseActionClass* action, BaseActionClass* fired) {
  for (TraceFile* writer : Writers) writer->printPostFireAction(action, fired);
}

int TraceFileContainer::printf(int level, const char* format, ...) {
  char text[MaxTextLength + 1];
  va_list arguments;
  va_start(arguments, format);
  int needed = std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  if (needed < 0) text[0] = '\0';
  printStr(level, text);
  return needed < 0 ? 0 : std::min(needed, MaxTextLength);
}

void TraceFileContainer::printStr(int level, const char* text) {
  for (TraceFile* writer : Writers) writer->printStr(level, text);
}
