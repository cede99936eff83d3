#include "Study/GVRange.h"

#include <charconv>

bool GVRange::Contains(double value) const {
  if (std::isnan(value) || (Finite && !std::isfinite(value))) return false;
  const bool aboveMin = MinOpen ? value > Min : value >= Min;
  const bool belowMax = MaxOpen ? value < Max : value <= Max;
  return aboveMin && belowMax;
}

std::string GVRange::Text() const {
  // An infinite end is never reached, whatever the flag says.
  const bool minOpen = MinOpen || std::isinf(Min);
  const bool maxOpen = MaxOpen || std::isinf(Max);
  return (minOpen ? "(" : "[") + ShortestNumberText(Min) + ", " + ShortestNumberText(Max) +
         (maxOpen ? ")" : "]");
}

std::string ShortestNumberText(double value) {
  // Whole numbers in full ("500000000", not "5e+08").
  if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
    return std::to_string(static_cast<long long>(value));
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}
