#ifndef SAN_STUDY_FILE_REPLACEMENT_H
#define SAN_STUDY_FILE_REPLACEMENT_H

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Writes `content` to `file` through a temporary file in the same
// directory, synced and then renamed over `file`: a reader, or a crash,
// sees the old file or the whole new one, never a part, and a write that
// fails (disk full, file size limit) removes its temporary file and leaves
// the old file as it was. An error text ("cannot write FILE: reason") when
// it fails.
std::optional<std::string> ReplaceFile(const std::filesystem::path& file,
                                       const std::string& content);

// Removes the temporary files that a writer killed between creating and
// renaming them left in `directory` (names "." + result file + "." and six
// characters, as ReplaceFile makes them). Call it only while holding the
// directory's lock, when no other writer can be half way. The names of the
// files removed, for a note.
std::vector<std::string> RemoveStaleTemporaries(const std::filesystem::path& directory);

// The mode a plain open would give a new file (0666 less the umask): a
// temporary file is created for its owner only, and gets this mode once it
// takes its place.
mode_t OrdinaryFileMode();

#endif
