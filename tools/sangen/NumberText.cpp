#include "NumberText.h"

#include <charconv>
#include <cmath>

namespace sangen {

std::optional<double> parseDouble(const std::string& text) {
  if (text == "inf" || text == "+inf") return HUGE_VAL;
  if (text == "-inf") return -HUGE_VAL;
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') begin++;
  double value = 0.0;
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end || begin == end || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<long long> parseInteger(const std::string& text) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') begin++;
  long long value = 0;
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end || begin == end) return std::nullopt;
  return value;
}

std::string shortestText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string doubleLiteral(double value) {
  std::string text = shortestText(value);
  if (text.find_first_of(".eE") == std::string::npos && text.find("inf") == std::string::npos)
    text += ".0";
  return text;
}

}  // namespace sangen
