#include "VariableAssignments.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "NumberFormat.h"

namespace {
std::vector<std::string> Split(const std::string& text, char separator, bool skipEmpty) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(text);
  while (std::getline(in, field, separator))
    if (!skipEmpty || !field.empty()) fields.push_back(field);
  if (!skipEmpty && !text.empty() && text.back() == separator) fields.emplace_back();
  return fields;
}

bool ParseDecimalInteger(const std::string& text, double& value) {
  std::size_t at = text[0] == '-' || text[0] == '+' ? 1 : 0;
  const std::string digits = text.substr(at);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  if (digits.size() > 1 && digits[0] == '0') return false;
  if (digits.size() > 19) {
    value = text[0] == '-' ? -INFINITY : INFINITY;  // out of every integer type's range
    return true;
  }
  value = static_cast<double>(std::strtoll(text.c_str(), nullptr, 10));
  return true;
}

bool ParseReal(const std::string& text, double& value) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(text.c_str(), &end);
  return *end == '\0';
}

// Digits after the decimal point of a plain decimal text; -1 for others.
int Decimals(const std::string& text) {
  if (text.find_first_not_of("+-0123456789.") != std::string::npos) return -1;
  const std::size_t point = text.find('.');
  return point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

// first + k·step as the short decimal text the inputs suggest (0.15, not
// 0.15000000000000002), so that the simulator reads exactly the listed value.
std::string StepText(const std::string& first, const std::string& step, double value) {
  const int decimals = std::max(Decimals(first), Decimals(step));
  if (decimals < 0) return ShortestText(value);
  std::string text = FixedText(value, decimals);
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  return text;
}
}  // namespace

std::string OverrideText(const std::vector<Assignment>& assignments,
                         const StudyDescription& description) {
  std::string text;
  for (const Assignment& a : assignments) {
    const GlobalVariable& v = description.variables[a.variable];
    text += (text.empty() ? "" : ":") + std::string(1, OverrideLetter(v.type)) + ":" + v.name +
            ":" + a.text;
  }
  return text;
}

std::optional<std::string> CheckValue(const GlobalVariable& variable, char letter,
                                      const std::string& text, double& value) {
  const std::string what = "the value '" + text + "' of " + variable.name;
  if (letter != OverrideLetter(variable.type))
    return std::string("the type letter '") + letter + "' does not fit " + variable.name + ", a " +
           TypeName(variable.type) + " (use " + OverrideLetter(variable.type) + ":" +
           variable.name + ":VALUE)";
  if (text.empty()) return "no value given for " + variable.name;
  if (variable.type == VariableType::Char) {
    if (text.size() != 1) return what + " is not one character";
    value = static_cast<unsigned char>(text[0]);
  } else if (IsIntegerType(variable.type)) {
    if (!ParseDecimalInteger(text, value))
      return what + " is not a whole " + TypeName(variable.type) + " number";
  } else if (!ParseReal(text, value) || !std::isfinite(value)) {
    return what + " is not a finite number";
  }
  const ValueBounds type = TypeBounds(variable.type);
  if (!type.Contains(value))
    return what + " is outside the range of a " + TypeName(variable.type) + " " + type.Text();
  if (!variable.range.Contains(value))
    return what + " is outside its valid range " + variable.range.Text();
  return std::nullopt;
}

std::optional<std::string> ParseOverride(const std::string& text,
                                         const StudyDescription& description,
                                         std::vector<Assignment>& assignments) {
  const std::vector<std::string> fields = Split(text, ':', true);
  if (fields.size() % 3 != 0)
    return "the override '" + text + "' needs type:name:value triples, e.g. s:nTrains:12";
  for (std::size_t k = 0; k < fields.size(); k += 3) {
    if (fields[k].size() != 1) return "the override type '" + fields[k] + "' is not one letter";
    const int index = description.VariableIndex(fields[k + 1]);
    if (index < 0)
      return "the model " + description.model + " has no global variable '" + fields[k + 1] + "'";
    Assignment a{index, 0.0, fields[k + 2]};
    if (auto error = CheckValue(description.variables[index], fields[k][0], a.text, a.value))
      return error;
    assignments.push_back(a);
  }
  return std::nullopt;
}

std::optional<std::string> ParseSweep(const std::string& text, const StudyDescription& description,
                                      Sweep& sweep) {
  sweep = Sweep{text, -1, {}};
  const std::size_t equals = text.find('=');
  const std::string usage =
      "the sweep '" + text + "' is not NAME=FIRST:LAST:STEP or NAME=V1,V2,... (or TYPE:NAME=...)";
  if (equals == std::string::npos || equals == 0) return usage;
  // The type letter is optional: the description knows the variable's type.
  const bool typed = equals >= 3 && text[1] == ':';
  const std::string name = text.substr(typed ? 2 : 0, equals - (typed ? 2 : 0)),
                    values = text.substr(equals + 1);
  sweep.variable = description.VariableIndex(name);
  if (sweep.variable < 0)
    return "the model " + description.model + " has no global variable '" + name + "'";
  const GlobalVariable& variable = description.variables[sweep.variable];
  const char letter = typed ? text[0] : OverrideLetter(variable.type);
  if (letter != OverrideLetter(variable.type))
    return std::string("in the sweep '") + text + "': the type letter '" + letter +
           "' does not fit " + variable.name + ", a " + TypeName(variable.type) + " (use " +
           variable.name + "=VALUES or " + OverrideLetter(variable.type) + ":" + variable.name +
           "=VALUES)";
  std::map<double, std::string> given;  // value -> its text
  auto add = [&](const std::string& valueText) -> std::optional<std::string> {
    Assignment a{sweep.variable, 0.0, valueText};
    if (auto error = CheckValue(variable, letter, valueText, a.value))
      return "in the sweep '" + text + "': " + *error;
    // Two points of one value would be one experiment twice.
    const auto [earlier, fresh] = given.emplace(a.value, valueText);
    if (!fresh)
      return "the sweep '" + text + "' gives " + variable.name + " the value " + valueText +
             (earlier->second == valueText ? " twice" : " as " + earlier->second + " already");
    sweep.points.push_back(a);
    return std::nullopt;
  };
  const std::vector<std::string> range = Split(values, ':', false);
  if (values.find(',') != std::string::npos || range.size() == 1) {
    for (const std::string& item : Split(values, ',', false))
      if (auto error = add(item)) return error;
  } else if (range.size() == 3) {
    double first, last, step;
    for (auto [field, number] :
         {std::pair{&range[0], &first}, {&range[1], &last}, {&range[2], &step}})
      if (!ParseReal(*field, *number) || !std::isfinite(*number))
        return usage + ": '" + *field + "' is not a number";
    if (step == 0.0 || (last - first) / step < 0)
      return "in the sweep '" + text + "': the step " + range[2] + " does not lead from " +
             range[0] + " to " + range[1];
    const double count = std::floor((last - first) / step * (1 + 1e-12) + 1e-9) + 1;
    if (count > static_cast<double>(kMaxSweepPoints))
      return "the sweep '" + text + "' has more than " + std::to_string(kMaxSweepPoints) +
             " values";
    for (long k = 0; k < static_cast<long>(count); k++)
      if (auto error = add(StepText(range[0], range[2], first + static_cast<double>(k) * step)))
        return error;
  } else {
    return usage;
  }
  if (sweep.points.empty()) return usage;
  return std::nullopt;
}
