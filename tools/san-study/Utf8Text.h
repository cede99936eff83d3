#ifndef SAN_STUDY_UTF8_TEXT_H
#define SAN_STUDY_UTF8_TEXT_H

#include <string>
#include <string_view>

// `text` with every byte that is not part of a well-formed UTF-8 sequence
// written as the four characters \xNN (lower-case hex), so that text from
// the command line or from a simulator's output always makes a valid JSON
// or CSV file. Well-formed text comes back unchanged.
std::string EscapeInvalidUtf8(std::string_view text);

#endif
