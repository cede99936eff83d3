#ifndef CORVAX_MEASURE_REPORT_H
#define CORVAX_MEASURE_REPORT_H

#include <ostream>
#include <string>
#include <vector>

#include "Solver/ExactMeasures.h"

// The solver's results: a table for people and a CSV file for programs.

// The shortest decimal text that reads back as exactly `value` ("0.1",
// "1e+300", "nan").
std::string ExactNumberText(double value);

// A CSV field: quoted (with doubled quotes) when it holds a comma, a quote
// or a line break.
std::string CsvField(const std::string& text);

// Variable, time point ("t = 5", "[0, 100]", "steady state") and value, one
// line per measure.
void PrintMeasureTable(std::ostream& out, const std::vector<MeasureValue>& values);

// The CSV text: the header experiment,variable,start,stop,value, then one row
// per measure (an instant of time has start = stop, a steady-state variable
// neither).
std::string MeasureCsv(int experiment, const std::vector<MeasureValue>& values);

// Writes `text` to `path` through a temporary file beside it, renamed into
// place once complete, so that a reader sees the old file or the whole new
// one. Throws SolverError when it cannot.
void ReplaceFile(const std::string& path, const std::string& text);

#endif
