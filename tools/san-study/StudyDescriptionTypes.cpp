#include "StudyDescriptionTypes.h"

#include <cmath>

#include "NumberFormat.h"

bool ValueBounds::Contains(double value) const {
  if (std::isnan(value)) return false;
  if (minOpen ? !(value > min) : !(value >= min)) return false;
  return maxOpen ? value < max : value <= max;
}

std::string ValueBounds::Text() const {
  return std::string(minOpen || std::isinf(min) ? "(" : "[") + ShortestText(min) + ", " +
         ShortestText(max) + (maxOpen || std::isinf(max) ? ")" : "]");
}

int StudyDescription::VariableIndex(const std::string& name) const {
  for (std::size_t i = 0; i < variables.size(); i++)
    if (variables[i].name == name) return static_cast<int>(i);
  return -1;
}

namespace {
struct TypeInfo {
  VariableType type;
  const char* name;
  char letter;
  double min, max;  // for integer types
};
constexpr double kHuge = std::numeric_limits<double>::max();
// `long` is 64 bits here; its bounds are the doubles nearest inside them, so
// that a value that passes converts without overflow.
constexpr TypeInfo kTypes[] = {
    {VariableType::Double, "double", 'd', -kHuge, kHuge},
    {VariableType::Float, "float", 'f', -3.4028234663852886e38, 3.4028234663852886e38},
    {VariableType::Int, "int", 'i', -2147483648.0, 2147483647.0},
    {VariableType::Short, "short", 's', -32768.0, 32767.0},
    {VariableType::Long, "long", 'l', -9223372036854774784.0, 9223372036854774784.0},
    {VariableType::Char, "char", 'c', -128.0, 127.0},
    {VariableType::Bool, "bool", 'b', 0.0, 1.0},
};

const TypeInfo& Info(VariableType type) {
  for (const TypeInfo& info : kTypes)
    if (info.type == type) return info;
  return kTypes[0];
}
}  // namespace

const char* TypeName(VariableType type) { return Info(type).name; }

std::optional<VariableType> TypeFromName(const std::string& name) {
  for (const TypeInfo& info : kTypes)
    if (name == info.name) return info.type;
  return std::nullopt;
}

char OverrideLetter(VariableType type) { return Info(type).letter; }

bool IsIntegerType(VariableType type) {
  return type != VariableType::Double && type != VariableType::Float;
}

ValueBounds TypeBounds(VariableType type) {
  const TypeInfo& info = Info(type);
  return {info.min, info.max, false, false};
}

std::string ValueText(VariableType type, double value) {
  if (IsIntegerType(type) && std::isfinite(value) && std::fabs(value) < 1e18)
    return std::to_string(static_cast<long long>(value));
  return ShortestText(value);
}

std::size_t StudyDescription::ObservedCount() const {
  std::size_t observed = 0;
  while (observed < measures.size() && !measures[observed].Derived()) observed++;
  return observed;
}
