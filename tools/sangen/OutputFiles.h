#ifndef SANGEN_OUTPUT_FILES_H
#define SANGEN_OUTPUT_FILES_H

#include <string>
#include <vector>

#include "Generation.h"

namespace sangen {

// Writes a set of files so that a later build never sees half of them: every
// file goes first to a temporary beside its final place, and only when all
// temporaries are complete are they renamed into place. A file whose
// content is unchanged is left alone (its time stamp too, so that nothing
// depending on it is rebuilt); files of an earlier generation that are no
// longer produced, and temporaries of an interrupted run, are removed from
// `folder`. Returns false (with a message
// in `error`, and no file changed) when a temporary cannot be written.
bool writeFiles(const std::string& folder, const std::vector<GeneratedFile>& files,
                const std::vector<std::pair<std::string, std::string>>& extra, std::string& error);

}  // namespace sangen

#endif
