#include "ReservedNames.h"

#include <algorithm>
#include <iterator>

namespace sangen {

namespace {

// kMacros, kLibraryNames, kEngineNames, kActivityMembers,
// kAtomicModelMembers, kComposerMembers, kRecordMembers: sorted lists,
// scanned from the headers of generated code at build time
// (reserved/ReservedNamesScan.cpp).
#include "ReservedNames.inc"

template <std::size_t N>
bool listed(const char* const (&list)[N], const std::string& name) {
  return std::binary_search(
      std::begin(list), std::end(list), name,
      [](const auto& a, const auto& b) { return std::string_view(a) < std::string_view(b); });
}

}  // namespace

bool isImplementationName(const std::string& name) {
  return name.find("__") != std::string::npos || (!name.empty() && name[0] == '_');
}

std::string globalNameClash(const std::string& name) {
  if (listed(kMacros, name)) return "it is a macro of the C or C++ library";
  if (name == "main") return "it is the program's entry point";
  if (listed(kLibraryNames, name))
    return "the C or C++ library declares it in the global namespace";
  if (listed(kEngineNames, name)) return "the simulation framework declares it";
  return "";
}

std::string memberNameClash(const std::string& name, std::initializer_list<MemberOf> families) {
  if (listed(kMacros, name)) return "it is a macro of the C or C++ library";
  for (MemberOf family : families)
    if (names::isGeneratedMember(name, family)) return "the generated code uses it itself";
  // Each family's scanned members, and what it is in messages.
  struct Family {
    MemberOf family;
    bool (*member)(const std::string&);
    const char* what;
  };
  static const Family kFamilies[] = {
      {MemberOf::Activity, [](const std::string& n) { return listed(kActivityMembers, n); },
       "an activity"},
      {MemberOf::AtomicModel, [](const std::string& n) { return listed(kAtomicModelMembers, n); },
       "an atomic model"},
      {MemberOf::Composer, [](const std::string& n) { return listed(kComposerMembers, n); },
       "a join or rep"},
      {MemberOf::Record, [](const std::string& n) { return listed(kRecordMembers, n); },
       "a record"}};
  for (MemberOf family : families)
    for (const Family& f : kFamilies)
      if (f.family == family && f.member(name))
        return std::string("the framework's class of ") + f.what + " has a member of that name";
  return "";
}

}  // namespace sangen
