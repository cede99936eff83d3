// The names generated code cannot use, as scanned from the headers it
// includes: the C and C++ libraries' and the framework's global names and
// macros, the framework classes' members, and that the scan reads every
// header the generated sources include.
#include "ReservedNames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "Generation.h"
#include "ModelChecker.h"
#include "YamlReader.h"
#include "support/ResultReaders.h"

namespace {

using sangen::MemberOf;

TEST(SangenReservedNames, LibraryAndFrameworkNamesClashWhereTheyMeet) {
  for (const char* name : {"gamma", "j0", "y1", "time", "exit", "exp", "printf", "std"})
    EXPECT_NE(sangen::globalNameClash(name).find("C or C++ library"), std::string::npos) << name;
  for (const char* name : {"GenerateStudy", "TheDistribution", "Place", "Normal", "san"})
    EXPECT_NE(sangen::globalNameClash(name).find("framework"), std::string::npos) << name;
  for (const char* name : {"EOF", "errno", "INT_MAX", "M_PI", "stdout", "assert"}) {
    EXPECT_NE(sangen::globalNameClash(name).find("macro"), std::string::npos) << name;
    EXPECT_NE(sangen::memberNameClash(name, {MemberOf::Activity}).find("macro"), std::string::npos)
        << name;
  }
  EXPECT_FALSE(sangen::globalNameClash("main").empty());
  for (const char* name : {"busy", "arrivalRate", "nTrains", "queue"})
    EXPECT_EQ(sangen::globalNameClash(name), "") << name;

  // Members: each family has its framework class's members, and the
  // library's global names are free there.
  EXPECT_FALSE(sangen::memberNameClash("Enabled", {MemberOf::Activity}).empty());
  EXPECT_FALSE(sangen::memberNameClash("Actions", {MemberOf::AtomicModel}).empty());
  EXPECT_FALSE(sangen::memberNameClash("Children", {MemberOf::Composer}).empty());
  EXPECT_FALSE(sangen::memberNameClash("share", {MemberOf::Record}).empty());
  EXPECT_EQ(sangen::memberNameClash("Children", {MemberOf::Record}), "");
  for (const char* name : {"time", "link", "index", "exit", "length", "busy"})
    EXPECT_EQ(sangen::memberNameClash(name, {MemberOf::Activity, MemberOf::AtomicModel}), "")
        << name;
  // The generated classes' own members.
  for (const char* name : {"now", "priority", "parameter0", "weight12"})
    EXPECT_FALSE(sangen::memberNameClash(name, {MemberOf::Activity}).empty()) << name;
  EXPECT_FALSE(sangen::memberNameClash("initial_x", {MemberOf::AtomicModel}).empty());
  EXPECT_FALSE(sangen::memberNameClash("replicas", {MemberOf::Composer}).empty());
  EXPECT_FALSE(sangen::memberNameClash("of", {MemberOf::Record}).empty());
  EXPECT_EQ(sangen::memberNameClash("parameter", {MemberOf::Activity}), "");
}

// The headers the generated sources include (those of the repository's
// railway model and of the clockwork test model, which between them use
// every kind of element), which the scan must have read.
TEST(SangenReservedNames, TheScanReadsEveryHeaderGeneratedCodeIncludes) {
  const std::string probe =
      results::readFile(MB_SOURCE_DIR "/tools/sangen/reserved/ReservedNamesProbe.cpp");
  std::set<std::string> scanned;
  const std::regex include(R"(#include ([<"][^>"]+[>"]))");
  for (std::sregex_iterator it(probe.begin(), probe.end(), include), end; it != end; ++it)
    scanned.insert((*it)[1]);
  ASSERT_GT(scanned.size(), 10u);

  for (const char* file : {MB_SOURCE_DIR "/Models/movingblock.yaml",
                           MB_SOURCE_DIR "/tests/tools/sangen/models/clockwork.yaml"}) {
    sangen::Diagnostics diagnostics(file);
    const auto model = sangen::readModelFile(file, diagnostics);
    ASSERT_TRUE(model);
    const auto checked = sangen::checkModel(*model, diagnostics);
    ASSERT_TRUE(checked);
    const std::string name = model->name;
    for (const sangen::GeneratedFile& generated :
         sangen::generateModel(*checked, "/generated/" + name, file)) {
      const std::string& text = generated.text;
      for (std::sregex_iterator it(text.begin(), text.end(), include), end; it != end; ++it) {
        const std::string header = (*it)[1];
        if (header.starts_with("\"" + name + "/")) continue;  // the model's own
        EXPECT_TRUE(scanned.count(header)) << generated.name << " includes " << header;
      }
    }
  }
}

}  // namespace
