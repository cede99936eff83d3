#include "CsvFields.h"

std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t at = 0; at < line.size(); at++) {
    const char c = line[at];
    if (quoted && c == '"' && at + 1 < line.size() && line[at + 1] == '"') {
      fields.back() += '"';
      at++;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}
