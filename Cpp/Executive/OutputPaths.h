#ifndef CORVAX_OUTPUT_PATHS_H
#define CORVAX_OUTPUT_PATHS_H

#include <string>
#include <utility>
#include <vector>

// Tells whether output paths of one run name the same file, so that two
// writers never truncate and interleave one file. Paths are compared by
// what they reach: an existing file by device and inode (hard links and
// symbolic links included), a file yet to be created by its absolute path
// with every symbolic link resolved ("./a", "d/../a" and "a" are one file).
namespace OutputPaths {

// A key equal for exactly the paths that write to the same file.
std::string Target(const std::string& path);
// Whether writing to both paths would write to one file. Character devices
// (such as /dev/null) are exempt: two writers do them no harm.
bool SameFile(const std::string& first, const std::string& second);
// The first pair of outputs, given as (role, path), that are the same file;
// both indices are -1 when there is none.
std::pair<int, int> FirstCollision(const std::vector<std::pair<std::string, std::string>>& outputs);

}  // namespace OutputPaths

#endif
