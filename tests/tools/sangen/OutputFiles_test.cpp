// Where the real sangen writes: only its own files in the output folder,
// never through a link left at a temporary's name, and nothing at all when
// one destination cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "CommandRun.h"

namespace {

namespace fs = std::filesystem;
using sangen_test::run;

std::string model(const std::string& rate) { return sangen_test::smallModel(rate); }

TEST(SangenOutputFiles, TheUsersFilesStay) {
  const fs::path dir = results::freshDirectory("sangen_output");
  const fs::path folder = dir / "out" / "m";
  fs::create_directories(folder);
  std::ofstream(folder / "notes.h") << "// my notes\n";
  std::ofstream(folder / "Mine.cpp") << "int mine() { return 1; }\n";
  std::ofstream(folder / "oldSAN.h") << "// Generated from m.yaml; do not edit.\n";
  std::ofstream(dir / "m.yaml") << model("1.0");
  ASSERT_EQ(run(dir, sangen_test::sangen() + " m.yaml --out out").status, 0);
  EXPECT_TRUE(fs::exists(folder / "mSAN.cpp"));
  EXPECT_EQ(results::readFile((folder / "notes.h").string()), "// my notes\n");
  EXPECT_TRUE(fs::exists(folder / "Mine.cpp"));
  EXPECT_FALSE(fs::exists(folder / "oldSAN.h"));  // sangen's, of an earlier model

  // A file of the user's at a generated file's name is not replaced.
  std::ofstream(folder / "GlobalVariables.h") << "// mine\n";
  const sangen_test::CommandRun refused = run(dir, sangen_test::sangen() + " m.yaml --out out");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("GlobalVariables.h exists and was not written by sangen"),
            std::string::npos)
      << refused.err;
  EXPECT_EQ(results::readFile((folder / "GlobalVariables.h").string()), "// mine\n");
  fs::remove_all(dir);
}

TEST(SangenOutputFiles, TemporariesDoNotFollowLinksAndFailuresChangeNothing) {
  const fs::path dir = results::freshDirectory("sangen_output_links");
  const fs::path folder = dir / "out" / "m";
  fs::create_directories(folder);
  std::ofstream(dir / "victim.txt") << "keep me\n";
  std::ofstream(dir / "m.yaml") << model("1.0");
  // The link stands at the name of sangen's first temporary (its process
  // id: the shell's, which exec keeps).
  const sangen_test::CommandRun linked =
      run(dir, "ln -s \"$PWD/victim.txt\" \"out/m/.GlobalVariables.h.tmp$$.0\" && exec " +
                   sangen_test::sangen() + " m.yaml --out out");
  EXPECT_EQ(linked.status, 0) << linked.err;
  EXPECT_EQ(results::readFile((dir / "victim.txt").string()), "keep me\n");
  EXPECT_NE(results::readFile((folder / "GlobalVariables.h").string()).find("Generated from"),
            std::string::npos);

  // The link is left alone too.
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    if (entry.is_symlink()) fs::remove(entry.path());

  // A study description that cannot be written (a directory at its name)
  // leaves the earlier sources as they were.
  const std::string before = results::readFile((folder / "mSAN.cpp").string());
  fs::create_directories(dir / "study.json");
  std::ofstream(dir / "m.yaml") << model("2.0");
  const sangen_test::CommandRun failed =
      run(dir, sangen_test::sangen() + " m.yaml --out out --study-json study.json");
  EXPECT_EQ(failed.status, 1);
  EXPECT_NE(failed.err.find("study.json is a directory; nothing was written"), std::string::npos)
      << failed.err;
  EXPECT_EQ(results::readFile((folder / "mSAN.cpp").string()), before);
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  fs::remove_all(dir);
}

}  // namespace
