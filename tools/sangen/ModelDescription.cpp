#include "ModelDescription.h"

namespace sangen {

const char* cppName(ScalarType type) {
  switch (type) {
    case ScalarType::Short:
      return "short";
    case ScalarType::Int:
      return "int";
    case ScalarType::Char:
      return "char";
    case ScalarType::Double:
      return "double";
    case ScalarType::Bool:
      return "bool";
  }
  return "int";
}

std::optional<ScalarType> scalarTypeNamed(const std::string& text) {
  if (text == "short") return ScalarType::Short;
  if (text == "int") return ScalarType::Int;
  if (text == "char") return ScalarType::Char;
  if (text == "double") return ScalarType::Double;
  if (text == "bool") return ScalarType::Bool;
  return std::nullopt;
}

bool Range::holds(double value) const {
  const bool aboveMin = minOpen ? value > min : value >= min;
  const bool belowMax = maxOpen ? value < max : value <= max;
  return aboveMin && belowMax;
}

}  // namespace sangen
