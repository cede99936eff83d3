#ifndef CORVAX_STRICT_NUMBER_H
#define CORVAX_STRICT_NUMBER_H

#include <optional>

// Numbers read from the command line and from override strings. The whole
// text must be one number: no blanks, nothing after it. Ranges are checked on
// the value as read, before it is narrowed to the type that stores it, so
// that an out-of-range text is refused instead of wrapping around.

// An integer in [min, max]: an optional sign and digits. Base 10, or base 0
// for the prefixes that scanf's %i accepts (0x hexadecimal, 0 octal).
std::optional<long long> ParseWholeInteger(const char* text, long long min, long long max,
                                           int base = 10);

// A finite double (not NaN, not an infinity, not beyond the double range).
std::optional<double> ParseFiniteDouble(const char* text);

// A finite float, the same way.
std::optional<float> ParseFiniteFloat(const char* text);

#endif
