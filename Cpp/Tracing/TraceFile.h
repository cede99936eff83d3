#ifndef CORVAX_TRACE_FILE_H
#define CORVAX_TRACE_FILE_H

#include <fstream>
#include <iosfwd>
#include <memory>

class BaseActionClass;
class BaseModelClass;
class PVModel;

// The level most recently set on any trace writer (1 until one is set).
extern int TraceLevel;

// Common base of the trace writers: fixes a writer's interface, holds its
// output stream and its verbosity level. Every operation does nothing here;
// the writers override what they print.
class TraceFile {
 public:
  // Level 1, no stream; sets TraceLevel to 1.
  TraceFile();
  // Level 0; writes to a new file called name (truncated). A file that
  // cannot be opened leaves the stream failed, and nothing is written.
  explicit TraceFile(const char* name);
  // Level 0; writes to the given stream, which the writer does not own.
  explicit TraceFile(std::ostream* stream);
  TraceFile(const TraceFile&) = delete;
  TraceFile& operator=(const TraceFile&) = delete;
  // Closes a file the writer opened itself; a given stream is left alone.
  virtual ~TraceFile();

  virtual void printHeader(PVModel* model);
  virtual void printFooter();
  virtual void printInitialState(BaseModelClass* model);
  virtual void printState(BaseModelClass* model);
  // printState(BaseModelClass*) of the reward model's top model.
  virtual void printState(PVModel* model);
  virtual void printFireAction(BaseActionClass* action, double time);
  virtual void printPreFireAction(BaseActionClass* action);
  virtual void printPostFireAction(BaseActionClass* action, BaseActionClass* fired);
  virtual void newBatch();
  // Free-form text. No writer of this system prints it: returns 0.
  virtual int printf(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
  virtual void printStr(int level, const char* text);

  // Sets this writer's level and TraceLevel.
  void setTraceLevel(int level);
  int getTraceLevel() const { return Level; }
  std::ostream* getStream() const { return Out; }

 protected:
  int Level;
  std::ostream* Out = nullptr;

 private:
  std::unique_ptr<std::ofstream> ownedFile_;  // the file opened by name, if any
};

#endif
