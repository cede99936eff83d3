#ifndef SAN_STUDY_FILE_REPLACEMENT_H
#define SAN_STUDY_FILE_REPLACEMENT_H

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

// Writes `content` to `file` through a temporary file in the same
// directory, synced and then renamed over `file`: a reader, or a crash,
// sees the old file or the whole new one, never a part, and a write that
// fails (disk full, file size limit) removes its temporary file and leaves
// the old file as it was. An error text ("cannot write FILE: reason") when
// it fails.
std::optional<std::string> ReplaceFile(const std::filesystem::path& file,
                                       const std::string& content);

// The mode a plain open would give a new file (0666 less the umask): a
// temporary file is created for its owner only, and gets this mode once it
// takes its place.
mode_t OrdinaryFileMode();

#endif
