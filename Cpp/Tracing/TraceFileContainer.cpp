#include "Tracing/TraceFileContainer.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "Tracing/TraceModelWalk.h"

void TraceFileContainer::AddTraceFile(TraceFile* writer) {
  if (writer && writer != this &&
      std::find(writers_.begin(), writers_.end(), writer) == writers_.end())
    writers_.push_back(writer);
}

void TraceFileContainer::RemoveTraceFile(TraceFile* writer) {
  writers_.erase(std::remove(writers_.begin(), writers_.end(), writer), writers_.end());
}

void TraceFileContainer::printHeader() {
  for (TraceFile* writer : writers_) writer->printHeader(model_);
}

void TraceFileContainer::printState() {
  for (TraceFile* writer : writers_) writer->printState(model_);
}

void TraceFileContainer::printInitialState() {
  BaseModelClass* top = topModelOf(model_);
  for (TraceFile* writer : writers_) writer->printInitialState(top);
}

void TraceFileContainer::printHeader(PVModel*) {}
void TraceFileContainer::printState(PVModel*) {}
void TraceFileContainer::printState(BaseModelClass*) {}

void TraceFileContainer::printInitialState(BaseModelClass* model) {
  for (TraceFile* writer : writers_) writer->printInitialState(model);
}

void TraceFileContainer::printFooter() {
  for (TraceFile* writer : writers_) writer->printFooter();
}

void TraceFileContainer::newBatch() {
  for (TraceFile* writer : writers_) writer->newBatch();
}

void TraceFileContainer::printFireAction(BaseActionClass* action, double time) {
  for (TraceFile* writer : writers_) writer->printFireAction(action, time);
}

void TraceFileContainer::printPreFireAction(BaseActionClass* action) {
  for (TraceFile* writer : writers_) writer->printPreFireAction(action);
}

void TraceFileContainer::printPostFireAction(BaseActionClass* action, BaseActionClass* fired) {
  for (TraceFile* writer : writers_) writer->printPostFireAction(action, fired);
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
  for (TraceFile* writer : writers_) writer->printStr(level, text);
}
