#ifndef SAN_STUDY_NUMBER_FORMAT_H
#define SAN_STUDY_NUMBER_FORMAT_H

#include <string>

// The shortest text that reads back to exactly `value` ("0.1",
// "0.30000000000000004"); "nan", "inf" and "-inf" for the others.
std::string ShortestText(double value);

// `value` with `decimals` digits after the point.
std::string FixedText(double value, int decimals);

// `value` rounded to `digits` significant digits, without trailing zeros
// ("2.436", "0.0019", "1.5e-07").
std::string SignificantText(double value, int digits);

#endif
