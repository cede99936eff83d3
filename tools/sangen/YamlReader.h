#ifndef SANGEN_YAML_READER_H
#define SANGEN_YAML_READER_H

#include <optional>
#include <string>

#include "Diagnostics.h"
#include "ModelDescription.h"

namespace sangen {

// Reads a model file into a ModelDescription, keeping the file's order of
// elements. Reports malformed YAML, unknown or duplicate keys, missing
// required keys and values of the wrong shape (a list where a name is
// expected, a number that does not read whole, ...) to `diagnostics`; the
// meaning of names is checked later, by ModelChecker. Returns nothing when
// the file cannot be read or parsed at all.
std::optional<ModelDescription> readModelFile(const std::string& path, Diagnostics& diagnostics);

// The same for a model file's text (the name of the model is `name`).
std::optional<ModelDescription> readModelText(const std::string& text, const std::string& path,
                                              const std::string& name, Diagnostics& diagnostics);

// True for a C++ identifier that is not a keyword.
bool isIdentifier(const std::string& text);

}  // namespace sangen

#endif
