#ifndef SANGEN_NUMBER_TEXT_H
#define SANGEN_NUMBER_TEXT_H

#include <optional>
#include <string>

namespace sangen {

// The number the whole text reads as (decimal, optional sign and
// exponent; also "inf" and "-inf"); nothing for any other text.
std::optional<double> parseDouble(const std::string& text);
// The integer the whole text reads as (optional sign, decimal digits).
std::optional<long long> parseInteger(const std::string& text);
// The shortest decimal text that reads back to exactly `value`, always with
// a decimal point or exponent, so that C++ reads it as a double.
std::string doubleLiteral(double value);
// The same for JSON and messages: shortest round-trip text.
std::string shortestText(double value);

}  // namespace sangen

#endif
