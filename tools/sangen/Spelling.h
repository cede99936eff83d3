#ifndef SANGEN_SPELLING_H
#define SANGEN_SPELLING_H

#include <string>
#include <vector>

namespace sangen {

// " (did you mean 'x'?)" for the candidate closest to `word` within a few
// edits (insertions, deletions, substitutions, transpositions: about one
// per three letters), or "" when none is that close.
std::string didYouMean(const std::string& word, const std::vector<std::string>& candidates);

}  // namespace sangen

#endif
