// Hostile model files given to the real sangen: each ends with status 1
// and an error at the file, line and column it concerns, soon, and writes
// nothing; none crashes, runs away with the memory or the time, or lets a
// name inject code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "CommandRun.h"

namespace {

namespace fs = std::filesystem;
using sangen_test::CommandRun;
using sangen_test::run;

std::string model(const std::string& description, const std::string& composition = "") {
  return sangen_test::smallModel("1.0", description, composition);
}

CommandRun check(const fs::path& dir, const std::string& file, const std::string& text) {
  std::ofstream(dir / file, std::ios::binary) << text;
  return run(dir, sangen_test::sangen() + " \"" + file + "\" --out out", 120);
}

void expectRefused(const CommandRun& result, const std::string& error) {
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.err.find(error), std::string::npos) << "expected: " << error << "\ngot:\n"
                                                       << result.err;
}

TEST(SangenHostileInput, AliasesBadBytesAndEndlessFilesAreRefused) {
  const fs::path dir = results::freshDirectory("sangen_hostile");
  EXPECT_EQ(check(dir, "fine.yaml", model("plain")).status, 0);

  // A node that holds itself through an alias (a cycle), and an alias bomb
  // (nine aliases of nine aliases of ...).
  expectRefused(check(dir, "cycle.yaml",
                      model("cycle",
                            "composition:\n  name: top\n  join: j\n"
                            "  children: [&cyc {join: loop, children: [*cyc, "
                            "{model: m}]}]\n")),
                "cycle.yaml:10:43: aliases (*name) are not allowed in a model file");
  std::string bomb = "x0: &a0 [1, 2, 3, 4, 5, 6, 7, 8, 9]\n";
  for (int level = 1; level < 10; level++) {
    const std::string below = "*a" + std::to_string(level - 1);
    bomb += "x" + std::to_string(level) + ": &a" + std::to_string(level) + " [";
    for (int k = 0; k < 9; k++) bomb += (k ? ", " : "") + below;
    bomb += "]\n";
  }
  expectRefused(check(dir, "bomb.yaml", bomb + "composition: *a9\n"),
                "bomb.yaml:2:10: aliases (*name) are not allowed");

  // A byte that is not UTF-8 in a description.
  expectRefused(check(dir, "byte.yaml", model("caf\xff")),
                "byte.yaml:1:17: the model file must be UTF-8 text without control characters; "
                "byte 0xff is not");

  // A model file without end.
  const CommandRun zero = run(
      dir, "ln -sf /dev/zero zero.yaml && " + sangen_test::sangen() + " zero.yaml --check", 120);
  expectRefused(zero, "zero.yaml:0:0: the model file is larger than 16 MiB");

  // 300,000 unknown keys: a screenful of messages, not 300,000; 600,000
  // make more nodes than a model file may have.
  std::string keys = model("keys");
  for (int k = 0; k < 300000; k++) keys += "k" + std::to_string(k) + ": 1\n";
  const CommandRun many = check(dir, "keys.yaml", keys);
  expectRefused(many, "keys.yaml:12:1: unknown key 'k0' in the model file");
  EXPECT_NE(many.err.find("keys.yaml: 299900 more errors not shown"), std::string::npos)
      << many.err.substr(many.err.size() - 200);
  EXPECT_LT(many.err.size(), 100000u);
  EXPECT_FALSE(fs::exists(dir / "out" / "keys"));
  for (int k = 300000; k < 600000; k++) keys += "k" + std::to_string(k) + ": 1\n";
  expectRefused(check(dir, "nodes.yaml", keys),
                ": the model file has more than 1000000 YAML nodes (keys, values and lists): it "
                "is too large to read");
  // Three million: more than a model file may hold at all.
  for (int k = 600000; k < 3000000; k++) keys += "k" + std::to_string(k) + ": 1\n";
  expectRefused(check(dir, "huge.yaml", keys),
                "huge.yaml:0:0: the model file is larger than 16 MiB");
  fs::remove_all(dir);
}

TEST(SangenHostileInput, NamesCannotInjectCodeOrOverflowFileNames) {
  const fs::path dir = results::freshDirectory("sangen_names");
  // A line feed in the model file's path would reach comments and #line
  // directives of the generated sources.
  const fs::path injected = dir / "a\n#warning INJECTED";
  fs::create_directories(injected);
  std::ofstream(injected / "m.yaml") << model("fine");
  const CommandRun path =
      run(dir, sangen_test::sangen() + " \"a\n#warning INJECTED/m.yaml\" --out out");
  expectRefused(path, "the model file's path must be UTF-8 text without control characters");
  EXPECT_FALSE(fs::exists(dir / "out"));

  // One in the output folder's path is escaped where it is written.
  std::ofstream(dir / "m.yaml") << model("fine");
  ASSERT_EQ(run(dir, sangen_test::sangen() + " m.yaml --out \"o\n#warning INJECTED\"").status, 0);
  const CommandRun compile = run(
      dir, std::string("\"") + CXX_COMPILER + "\" -std=c++20 -fsyntax-only -I\"" + ENGINE_INCLUDE +
               "\" -I\"o\n#warning INJECTED\" \"o\n#warning INJECTED/m/m_all.cpp\"");
  EXPECT_EQ(compile.status, 0) << compile.err;
  EXPECT_EQ(compile.err.find("INJECTED\n"), std::string::npos) << compile.err;

  // A name so long that a generated file's name would pass the file
  // systems' limit is refused by the check already.
  const std::string longName(300, 'x');
  std::string text = model("long");
  text.replace(text.find("name: m\n"), 7, "name: " + longName);
  text.replace(text.find("{model: m,"), 10, "{model: " + longName + ",");
  std::ofstream(dir / "long.yaml") << text;
  const CommandRun checked = run(dir, sangen_test::sangen() + " long.yaml --check");
  expectRefused(checked,
                "long.yaml:3:11: the name '" + longName.substr(0, 40) + "...' is too long");
  fs::remove_all(dir);
}

}  // namespace
