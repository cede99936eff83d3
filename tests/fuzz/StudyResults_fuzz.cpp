// The study tool's reader of a results directory's study.json (for merge
// and --resume), which anyone may have edited: any text is read or refused
// with a message; each experiment read is checked, and those that pass are
// written back as the CSV, the JSON and the table.
#include <cstdint>
#include <sstream>
#include <string>

#include "RecordChecks.h"
#include "ResultFiles.h"
#include "ResultReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  StudyRecord record;
  if (ParseStudyRecord(text, "fuzz/study.json", record)) return 0;
  StudyResult result = record.result;
  result.experiments.clear();
  record.plan.experiments.clear();
  for (const ExperimentResult& e : record.result.experiments)
    if (!ImplausibleRecord(e, record.description, record.options.stopRule)) {
      AgreesWithStopRule(e, record.options.stopRule);
      result.experiments.push_back(e);
      record.plan.experiments.push_back(e.plan);
    }
  record.plan.xVariable = ChooseXVariable(record.plan, record.description.variables.size());
  const ResultContext context{record.options, record.description, record.plan, record.host};
  std::ostringstream out;
  out << CsvContent(result, context) << JsonContent(result, context);
  PrintTable(result, context, {}, "", out);
  for (const std::string& line : VerdictLines(result, context)) out << line;
  return 0;
}
