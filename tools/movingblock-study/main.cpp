// movingblock-study: runs the moving-block study as a simulation manager and
// writes the estimates with their confidence intervals.
#include <unistd.h>

#include <exception>
#include <filesystem>
#include <iostream>

#include "PlotWriter.h"
#include "ProgressDisplay.h"
#include "ResultFiles.h"
#include "StudyCatalog.h"
#include "StudyOptions.h"
#include "StudyRunner.h"

namespace {
int Refuse(const std::string& message) {
  std::cerr << "movingblock-study: " << message << "\n";
  return 1;
}

int RunStudy(int argc, char** argv) {
  StudyOptions options;
  if (auto status = ParseStudyOptions(argc, argv, options)) return *status;
  if (auto error = StudyCatalog::CheckOverride(options.overrideText)) return Refuse(*error);
  StudyCatalog catalog(options.overrideText);
  if (auto error = ResolveExperiments(options, catalog)) return Refuse(*error);
  const std::filesystem::path out(options.outDir);
  std::error_code created;
  std::filesystem::create_directories(out, created);
  if (created || access(out.c_str(), W_OK) != 0) return Refuse("cannot write into " + out.string());

  ProgressDisplay progress(isatty(STDERR_FILENO));
  StudyResult result = StudyRunner(options, catalog, progress).Run();
  progress.ClearLine();
  if (result.Aborted()) progress.Message("movingblock-study: stopped on an internal error: " + result.internalError);

  PrintTable(result, std::cout);
  std::cout.flush();
  bool filesWritten = true;
  std::string written;
  auto note = [&](const std::optional<std::string>& error, const char* files) {
    if (error) filesWritten = !Refuse(*error);
    else written += std::string(written.empty() ? "" : ", ") + files;
  };
  note(WriteCsv(result, out / "study.csv"), "study.csv");
  note(WriteJson(result, options, out / "study.json"), "study.json");
  if (auto problem = WritePlot(result, out)) progress.Message("movingblock-study: no plot: " + *problem);
  else written += ", study.svg (from study.gp and study.dat)";
  progress.Message("movingblock-study: results in " + out.string() + ": " + written +
                   (result.Complete() ? "" : "; marked incomplete"));
  if (result.Interrupted()) return 128 + result.interruptSignal;
  return result.AnyFailure() || result.Aborted() || !filesWritten ? 1 : 0;
}
}  // namespace

// Whatever escapes the study (the runner and the file writers keep the
// results gathered so far themselves) ends it with a message, not an abort.
int main(int argc, char** argv) {
  try {
    return RunStudy(argc, argv);
  } catch (const std::exception& e) {
    return Refuse(std::string("internal error: ") + e.what());
  } catch (...) {
    return Refuse("internal error");
  }
}
