#include "Solver/MeasureReport.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iomanip>
#include <sstream>

#include "Solver/SolverError.h"

std::string ExactNumberText(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

namespace {
std::string TimePointText(const MeasureValue& m) {
  switch (m.kind) {
    case MeasureValue::Kind::InstantOfTime:
      return "t = " + ExactNumberText(m.stop);
    case MeasureValue::Kind::Window:
      return "[" + ExactNumberText(m.start) + ", " + ExactNumberText(m.stop) + "]";
    case MeasureValue::Kind::SteadyState:
      return "steady state";
  }
  return "";
}
}  // namespace

void PrintMeasureTable(std::ostream& out, const std::vector<MeasureValue>& values) {
  std::size_t nameWidth = 8, timeWidth = 10;
  for (const MeasureValue& m : values) {
    nameWidth = std::max(nameWidth, m.variable.size());
    timeWidth = std::max(timeWidth, TimePointText(m).size());
  }
  out << std::left << std::setw(static_cast<int>(nameWidth) + 2) << "Variable"
      << std::setw(static_cast<int>(timeWidth) + 2) << "Time point"
      << "Value\n";
  for (const MeasureValue& m : values) {
    std::ostringstream value;
    value << std::setprecision(12) << m.value;
    out << std::left << std::setw(static_cast<int>(nameWidth) + 2) << m.variable
        << std::setw(static_cast<int>(timeWidth) + 2) << TimePointText(m) << value.str() << "\n";
  }
  out << std::right;
}

std::string MeasureCsv(int experiment, const std::vector<MeasureValue>& values) {
  std::string text = "experiment,variable,start,stop,value\n";
  for (const MeasureValue& m : values) {
    const bool steady = m.kind == MeasureValue::Kind::SteadyState;
    text += std::to_string(experiment) + "," + CsvField(m.variable) + "," +
            (steady ? "" : ExactNumberText(m.start)) + "," +
            (steady ? "" : ExactNumberText(m.stop)) + "," + ExactNumberText(m.value) + "\n";
  }
  return text;
}

void ReplaceFile(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  auto fail = [&](const char* what) {
    const std::string reason = std::strerror(errno);
    std::remove(temporary.c_str());
    throw SolverError(std::string("cannot ") + what + " the CSV file " + path + ": " + reason);
  };
  errno = 0;
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) fail("create");
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size() &&
                       std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) fail("write");
  if (std::rename(temporary.c_str(), path.c_str()) != 0) fail("replace");
}
