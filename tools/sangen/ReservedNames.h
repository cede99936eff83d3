#ifndef SANGEN_RESERVED_NAMES_H
#define SANGEN_RESERVED_NAMES_H

#include <initializer_list>
#include <string>

#include "GeneratedNames.h"

namespace sangen {

// True for a name with a double underscore or a leading underscore: the
// C++ implementation's (the generated code keeps "__" for its own names).
bool isImplementationName(const std::string& name);

// Why `name` cannot name what generated code declares in the global
// namespace (a global variable, a record or array type, a generated class):
// a macro, or a name of the C or C++ library or of the framework; empty
// when it can. The library's names are those of the headers the build
// compiles generated code with.
std::string globalNameClash(const std::string& name);

// Why `name` cannot name a member of the generated classes of `families`:
// a macro, a member of the framework classes they derive from, or a name
// the generated code gives its own members; empty when it can.
std::string memberNameClash(const std::string& name, std::initializer_list<MemberOf> families);

}  // namespace sangen

#endif
