#include "Study/BaseStudyClass.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "Common/Allocation.h"
#include "Common/StrictNumber.h"
#include "Rewards/PVModel.h"

namespace {

// Fields of the override text, split at every ':' (empty ones included).
std::vector<std::string> splitFields(const std::string& text) {
  std::vector<std::string> fields(1);
  for (char c : text) {
    if (c == ':')
      fields.emplace_back();
    else
      fields.back() += c;
  }
  return fields;
}

// An override value as its type letter reads it: a whole number, or a
// floating-point one.
struct ReadValue {
  bool integral = true;
  long long integer = 0;
  double real = 0.0;
};

std::optional<ReadValue> readByLetter(char letter, const std::string& text) {
  ReadValue value;
  const char* c = text.c_str();
  std::optional<long long> whole;
  switch (letter) {
    case 'b':
    case 's':
      whole = ParseWholeInteger(c, SHRT_MIN, SHRT_MAX, 0);  // read as %hi reads
      break;
    case 'i':
      whole = ParseWholeInteger(c, INT_MIN, INT_MAX, 0);
      break;
    case 'l':
      whole = ParseWholeInteger(c, LONG_MIN, LONG_MAX, 0);
      break;
    case 'c':
      if (text.size() != 1) return std::nullopt;
      whole = static_cast<char>(text[0]);
      break;
    case 'd':
    case 'f': {
      const std::optional<double> real =
          letter == 'd' ? ParseFiniteDouble(c) : std::optional<double>(ParseFiniteFloat(c));
      if (!real) return std::nullopt;
      value.integral = false;
      value.real = *real;
      return value;
    }
    default:
      return std::nullopt;
  }
  if (!whole) return std::nullopt;
  value.integer = letter == 'b' ? *whole != 0 : *whole;
  return value;
}

const char* letterTypeName(char letter) {
  switch (letter) {
    case 'b':
      return "a truth value (b: a short, 0 is false)";
    case 'c':
      return "one character (c)";
    case 'd':
      return "a finite double (d)";
    case 'f':
      return "a finite float (f)";
    case 'i':
      return "an int (i)";
    case 'l':
      return "a long (l)";
    default:
      return "a short (s)";
  }
}

// Bounds of the integral types a global variable may have.
bool integralBounds(const std::string& type, long long& min, long long& max) {
  if (type == "int") {
    min = INT_MIN, max = INT_MAX;
  } else if (type == "short") {
    min = SHRT_MIN, max = SHRT_MAX;
  } else if (type == "long") {
    min = LONG_MIN, max = LONG_MAX;
  } else if (type == "char") {
    min = CHAR_MIN, max = CHAR_MAX;
  } else if (type == "bool") {
    min = 0, max = 1;
  } else {
    return false;
  }
  return true;
}

// Converts the value into the storage of a variable of the named type;
// the value is checked against the type before it is converted. On failure
// `problem` says why.
bool convertTo(const std::string& type, const ReadValue& value,
               BaseStudyClass::GVAssignment& assignment, double& stored, std::string& problem) {
  if (type == "double") {
    stored = assignment.Value.d = value.integral ? static_cast<double>(value.integer) : value.real;
    return true;
  }
  if (type == "float") {
    const double number = value.integral ? static_cast<double>(value.integer) : value.real;
    if (std::fabs(number) > FLT_MAX) {
      problem = "beyond the range of a float";
      return false;
    }
    stored = assignment.Value.f = static_cast<float>(number);
    return true;
  }
  long long min = 0, max = 0;
  if (!integralBounds(type, min, max)) {
    problem = "the study gives the variable the unknown type '" + type + "'";
    return false;
  }
  long long integer = value.integer;
  if (!value.integral) {
    if (value.real != std::trunc(value.real)) {
      problem = "not a whole number, and the variable's type is " + type;
      return false;
    }
    // max + 1.0 is exact (a power of two) where max itself may not be.
    if (!(value.real >= static_cast<double>(min) && value.real < static_cast<double>(max) + 1.0)) {
      problem = "outside the range of type " + type;
      return false;
    }
    integer = static_cast<long long>(value.real);
  }
  if (integer < min || integer > max) {
    problem = "outside the range of type " + type + " (" + std::to_string(min) + " to " +
              std::to_string(max) + ")";
    return false;
  }
  if (type == "int")
    assignment.Value.i = static_cast<int>(integer);
  else if (type == "short")
    assignment.Value.s = static_cast<short>(integer);
  else if (type == "long")
    assignment.Value.l = static_cast<long>(integer);
  else if (type == "char")
    assignment.Value.c = static_cast<char>(integer);
  else
    assignment.Value.b = integer != 0;
  stored = static_cast<double>(integer);
  return true;
}

}  // namespace

BaseStudyClass::~BaseStudyClass() {
  delete ThePVModel;
  for (unsigned i = 0; i < NumGVs; i++) {
    if (GVNames) delete[] GVNames[i];
    if (GVTypes) delete[] GVTypes[i];
  }
  delete[] GVNames;
  delete[] GVTypes;
}

void BaseStudyClass::SetGVTable(unsigned count, const char* const* names,
                                const char* const* types) {
  NumGVs = count;
  GVNames = new char*[count];
  GVTypes = new char*[count];
  for (unsigned i = 0; i < count; i++) {
    GVNames[i] = copyText(names[i]);
    GVTypes[i] = copyText(types[i]);
  }
}

void BaseStudyClass::SetGVRanges(const GVRange* ranges) {
  GVRanges.assign(ranges, ranges + NumGVs);
}

GVRange BaseStudyClass::GetGVRange(int i) const {
  return static_cast<size_t>(i) < GVRanges.size() ? GVRanges[i] : GVRange();
}

PVModel* BaseStudyClass::GetPVModel(bool) { return ThePVModel; }
void BaseStudyClass::SetGVs(int) { std::cout << "basestudyclass::SetGVs" << std::endl; }
void BaseStudyClass::PrintGlobalValues(int) {}
void* BaseStudyClass::GetGVValue(const char*) { return nullptr; }
void BaseStudyClass::OverrideGVValue(const char*, void*) {}

const char* BaseStudyClass::GetExpName(int i) {
  static char name[32];
  std::snprintf(name, sizeof name, "Experiment %d", i + 1);
  return name;
}

int BaseStudyClass::overrideGVs(const char* text) {
  std::vector<GVAssignment> assignments;
  if (ParseOverrides(text, assignments) != 0) return 1;
  ApplyOverrides(assignments);
  return 0;
}

int BaseStudyClass::ParseOverrides(const char* text, std::vector<GVAssignment>& assignments) const {
  assignments.clear();
  const std::string all = text ? text : "";
  const std::vector<std::string> fields = splitFields(all);
  for (const std::string& field : fields) {
    if (field.empty()) {
      std::cerr << "ERROR: Empty field in the override text '" << all
                << "' (type:name:value triples, fields separated by one ':')" << std::endl;
      return 1;
    }
  }
  for (size_t k = 0; k < fields.size(); k += 3) {
    if (k + 2 >= fields.size()) {
      std::string rest = fields[k];
      for (size_t j = k + 1; j < fields.size(); j++) rest += ":" + fields[j];
      std::cerr << "ERROR: Not enough double override tokens: '" << rest
                << "' is not a whole type:name:value triple" << std::endl;
      return 1;
    }
    const std::string triple = fields[k] + ":" + fields[k + 1] + ":" + fields[k + 2];
    const auto refuse = [&](const std::string& problem) {
      std::cerr << "ERROR: Override '" << triple << "': " << problem << std::endl;
      return 1;
    };
    const std::string& letterField = fields[k];
    if (letterField.size() != 1 || !std::strchr("bcdfils", letterField[0]))
      return refuse("Type " + letterField + " not recognized (one of b c d f i l s)");
    const char letter = letterField[0];

    const std::string& name = fields[k + 1];
    int index = -1;
    for (unsigned g = 0; g < NumGVs && index < 0; g++)
      if (name == GVNames[g]) index = static_cast<int>(g);
    if (index < 0) return refuse("Global Variable " + name + " does not exist.");

    const std::string& valueText = fields[k + 2];
    const std::optional<ReadValue> value = readByLetter(letter, valueText);
    if (!value) return refuse("'" + valueText + "' is not " + letterTypeName(letter));

    GVAssignment assignment;
    assignment.Index = index;
    double stored = 0.0;
    std::string problem;
    if (!convertTo(GVTypes[index], *value, assignment, stored, problem))
      return refuse(valueText + " is " + problem);
    const GVRange range = GetGVRange(index);
    if (!range.Contains(stored))
      return refuse(name + " must lie in " + range.Text() + ", not " + ShortestNumberText(stored));
    assignments.push_back(assignment);
  }
  return 0;
}

void BaseStudyClass::ApplyOverrides(const std::vector<GVAssignment>& assignments) {
  for (const GVAssignment& assignment : assignments) {
    auto value = assignment.Value;
    OverrideGVValue(GVNames[assignment.Index], &value);
  }
}

int BaseStudyClass::CheckGVs() {
  for (unsigned g = 0; g < NumGVs; g++) {
    const GVRange range = GetGVRange(static_cast<int>(g));
    void* address = GetGVValue(GVNames[g]);
    if (address == nullptr) continue;
    const std::string type = GVTypes[g];
    double value = 0.0;
    if (type == "double")
      value = *static_cast<double*>(address);
    else if (type == "float")
      value = *static_cast<float*>(address);
    else if (type == "int")
      value = *static_cast<int*>(address);
    else if (type == "short")
      value = *static_cast<short*>(address);
    else if (type == "long")
      value = static_cast<double>(*static_cast<long*>(address));
    else if (type == "char")
      value = *static_cast<char*>(address);
    else if (type == "bool")
      value = *static_cast<bool*>(address);
    else
      continue;
    if (!range.Contains(value)) {
      std::cerr << "ERROR: Global variable " << GVNames[g] << " is " << ShortestNumberText(value)
                << "; it must lie in " << range.Text() << std::endl;
      return 1;
    }
  }
  const std::string problem = GVCombinationProblem();
  if (!problem.empty()) {
    std::cerr << "ERROR: " << problem << std::endl;
    return 1;
  }
  return 0;
}
