// The result files stay valid whatever text reaches them, and a failed
// write leaves the previous files as they were.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "StudyToolHarness.h"
#include "Utf8Text.h"
#include "support/ResultReaders.h"

TEST(StudyToolFiles, BytesThatAreNotUtf8AreEscaped) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plain ± € \xf0\x9f\x9a\x86", "plain ± € \xf0\x9f\x9a\x86"},  // one to four bytes, kept
      {"a\xff"
       "b",
       "a\\xffb"},
      {"\x80", "\\x80"},                             // continuation byte alone
      {"\xc0\xaf", "\\xc0\\xaf"},                    // overlong '/'
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},           // surrogate
      {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},  // above U+10FFFF
      {"\xe2\x82", "\\xe2\\x82"},                    // cut short at the end
      {"\xe2\x82"
       "A",
       "\\xe2\\x82A"},  // cut short before a character
  };
  for (const auto& [text, escaped] : cases) EXPECT_EQ(EscapeInvalidUtf8(text), escaped) << escaped;
}

TEST(StudyToolFiles, SimulatorOutputThatIsNotUtf8GivesValidFiles) {
  const auto dir = results::freshDirectory("utf8");
  const ToolRun run =
      RunProgram(STUDY_TOOL,
                 {"--simulator", FAKE_SIMULATOR, "--out", dir.string(), "--experiments", "0,1",
                  "--min-reps", "5", "-n", "5", "--abs-precision", "0.5"},
                 "1:badport");
  EXPECT_EQ(run.exitStatus, 1) << run.err;
  nlohmann::json json;
  ASSERT_NO_THROW(json = nlohmann::json::parse(results::readFile((dir / "study.json").string())));
  EXPECT_EQ(json["experiments"][0]["status"], "converged");
  EXPECT_EQ(json["experiments"][1]["failure"],
            "announced its port in a malformed line: REGISTER:  Port: [\\xff\\xfe]");
  const auto rows = ReadCsv(dir / "study.csv");
  ASSERT_EQ(rows.size(), 26u);
  EXPECT_EQ(rows[13].at("failure"), json["experiments"][1]["failure"]);
}

// A file size limit makes every write of the result files fail part way.
TEST(StudyToolFiles, AFailedWriteLeavesTheEarlierFiles) {
  const auto dir = results::freshDirectory("fsize");
  for (const char* name : {"study.csv", "study.json"})
    std::ofstream(dir / name) << "earlier results\n";
  const ToolRun run =
      RunProgram("/bin/sh", {"-c", "ulimit -f 2; trap '' XFSZ; exec \"$0\" \"$@\"", STUDY_TOOL,
                             "--simulator", FAKE_SIMULATOR, "--out", dir.string(), "--overwrite",
                             "--experiments", "0,1", "--min-reps", "5", "-n", "5"});
  EXPECT_EQ(run.exitStatus, 1) << run.err;
  for (const char* name : {"study.csv", "study.json"}) {
    EXPECT_NE(run.err.find("cannot write " + (dir / name).string() + ": File too large"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(results::readFile((dir / name).string()), "earlier results\n");
  }
  // The lock file stays (see DirectoryLock); no other file of the tool's.
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().filename() != ".study.lock") {
      EXPECT_NE(entry.path().filename().string()[0], '.')
          << "temporary file left: " << entry.path();
    }
}

// A study killed between writing a temporary file and renaming it leaves the
// temporary behind; the next study or merge into the directory removes it,
// and nothing else that starts with a dot.
TEST(StudyToolFiles, TemporariesOfAKilledStudyAreRemovedByTheNext) {
  const auto dir = results::freshDirectory("stale");
  const std::vector<std::string> stale = {".study.csv.a1B2c3", ".study.svg.XyZ789",
                                          "..counted-2.bin.000000"};
  const std::vector<std::string> kept = {".study.csv.toolong1", ".mine.csv.a1B2c3", ".study.csv"};
  for (const auto& name : stale) std::ofstream(dir / name) << "part of a file";
  for (const auto& name : kept) std::ofstream(dir / name) << "someone else's";
  std::filesystem::create_directory(dir / ".study.json.dir123");
  const ToolRun run =
      RunProgram(STUDY_TOOL, {"--simulator", FAKE_SIMULATOR, "--out", dir.string(), "--experiments",
                              "0", "--min-reps", "5", "-n", "5", "--abs-precision", "0.5"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.err.find("note: removed 3 temporary files that a killed study left in"),
            std::string::npos)
      << run.err;
  for (const auto& name : stale) EXPECT_FALSE(std::filesystem::exists(dir / name)) << name;
  for (const auto& name : kept) EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;
  EXPECT_TRUE(std::filesystem::is_directory(dir / ".study.json.dir123"));
}
