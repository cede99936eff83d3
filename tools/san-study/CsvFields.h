#ifndef SAN_STUDY_CSV_FIELDS_H
#define SAN_STUDY_CSV_FIELDS_H

#include <string>
#include <vector>

// The fields of one CSV line: a quoted field may hold commas, and "" in it
// stands for a quote. The writers read back here (study.csv, the solver's
// --csv) keep every field on its line.
std::vector<std::string> CsvFields(const std::string& line);

#endif
