// The solver's outputs: numbers that read back exactly, CSV fields quoted
// where needed, the CSV rows of each kind of measure, and a file replaced
// whole or not at all.
#include "Solver/MeasureReport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Solver/SolverError.h"
#include "support/ResultReaders.h"

namespace {

TEST(MeasureReport, NumbersAndFields) {
  for (const double x : {0.1, 1.0 / 3, 1e-300, 123456789.0, -2.5, 5e-324})
    EXPECT_EQ(std::strtod(ExactNumberText(x).c_str(), nullptr), x) << ExactNumberText(x);
  EXPECT_EQ(ExactNumberText(0.1), "0.1");
  EXPECT_EQ(CsvField("plain"), "plain");
  EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
  EXPECT_EQ(CsvField("say \"x\""), "\"say \"\"x\"\"\"");
  EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
}

TEST(MeasureReport, CsvRowsOfEachKind) {
  using Kind = MeasureValue::Kind;
  const std::vector<MeasureValue> values{{"up", 0, Kind::InstantOfTime, 2.5, 2.5, 0.75},
                                         {"uptime", 1, Kind::Window, 0, 10, 8.125},
                                         {"long,run", 2, Kind::SteadyState, 100, 1100, 0.1}};
  EXPECT_EQ(MeasureCsv(3, values),
            "experiment,variable,start,stop,value\n"
            "3,up,2.5,2.5,0.75\n"
            "3,uptime,0,10,8.125\n"
            "3,\"long,run\",,,0.1\n");
}

TEST(MeasureReport, ReplacesAFileWholeOrNotAtAll) {
  const std::filesystem::path dir = results::freshDirectory("measure-report");
  const std::string path = (dir / "values.csv").string();
  { std::ofstream(path) << "old\n"; }
  ReplaceFile(path, "new\n");
  EXPECT_EQ(results::readFile(path), "new\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary left
  EXPECT_THROW(ReplaceFile((dir / "missing" / "values.csv").string(), "x"), SolverError);
  std::filesystem::remove_all(dir);
}

}  // namespace
