#include "Common/StrictNumber.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {
// strtoll and strtod skip leading blanks; a number of ours starts at once.
bool startsLikeNumber(const char* text) {
  if (text == nullptr || *text == '\0') return false;
  const unsigned char first = static_cast<unsigned char>(*text);
  return std::isdigit(first) || first == '+' || first == '-' || first == '.';
}

template <class T>
std::optional<T> parseFinite(const char* text, T (*convert)(const char*, char**)) {
  if (!startsLikeNumber(text)) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const T value = convert(text, &end);
  // Overflow gives an infinity; an underflow keeps the value rounded toward
  // zero, which is what the text means at this precision.
  if (end == text || *end != '\0' || !std::isfinite(value)) return std::nullopt;
  return value;
}
}  // namespace

std::optional<long long> ParseWholeInteger(const char* text, long long min, long long max,
                                           int base) {
  if (!startsLikeNumber(text) || *text == '.') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text, &end, base);
  if (end == text || *end != '\0' || errno == ERANGE) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return value;
}

std::optional<double> ParseFiniteDouble(const char* text) {
  return parseFinite<double>(text, std::strtod);
}

std::optional<float> ParseFiniteFloat(const char* text) {
  return parseFinite<float>(text, std::strtof);
}
