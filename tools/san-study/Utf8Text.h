#ifndef SAN_STUDY_UTF8_TEXT_H
#define SAN_STUDY_UTF8_TEXT_H

#include <string>
#include <string_view>

// `text` with every byte that is not part of a well-formed UTF-8 sequence
// written as the four characters \xNN (lower-case hex), so that text from
// the command line or from a simulator's output always makes a valid JSON
// or CSV file. Well-formed text comes back unchanged.
std::string EscapeInvalidUtf8(std::string_view text);

// The same, and every control character (below U+0020, and DEL) written as
// \xNN too: text from a model file or a results directory that goes into a
// line of a script (gnuplot's study.gp), a CSV file or the table can then
// neither end the line (and run what follows as a command or make a row)
// nor steer a terminal.
std::string OneLineText(std::string_view text);

#endif
