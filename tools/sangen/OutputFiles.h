#ifndef SANGEN_OUTPUT_FILES_H
#define SANGEN_OUTPUT_FILES_H

#include <string>
#include <vector>

#include "Generation.h"

namespace sangen {

// Writes a set of files so that a later build never sees half of them, and
// so that nothing but sangen's own files is touched:
// - every destination is checked first: none may be a directory, and a file
//   of the output folder that exists must be one sangen wrote (its first
//   line is the banner of generated files); the study description may
//   replace any file;
// - every file goes to a temporary beside its final place, created anew
//   (never through a link someone left at its name), and only when all
//   temporaries are complete are they renamed into place;
// - a file whose content is unchanged is left alone (its time stamp too, so
//   that nothing depending on it is rebuilt);
// - generated sources of an earlier generation that are no longer produced,
//   and temporaries of an interrupted run, are removed from `folder`.
// Returns false, with a message in `error` and no destination changed, when
// a check fails or a temporary cannot be written.
bool writeFiles(const std::string& folder, const std::vector<GeneratedFile>& files,
                const std::vector<std::pair<std::string, std::string>>& extra, std::string& error);

}  // namespace sangen

#endif
