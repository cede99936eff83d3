// The table's columns: how measures are named, which are shown by default
// and with --show, the line naming those left out, and the digits of a
// half-width beside its target.
#include "TableColumns.h"

#include <gtest/gtest.h>

#include <cmath>

#include "StudyDescriptionReader.h"

namespace {
// A web service with three reward variables: a count over two windows, a
// fraction over one, a queue length at two time points.
StudyDescription WebService() {
  return ParseStudyDescription(R"({"format": "san-study-description 1", "model": "web",
      "simulation": {"type": "terminating"},
      "globalVariables": [{"name": "load", "type": "double"}],
      "experiments": [{"name": "Experiment 1", "values": {"load": 1}}],
      "rewardVariables": [
        {"name": "served", "observation": "interval-of-time", "windows": [[0, 60], [0, 120]]},
        {"name": "busy", "observation": "time-averaged", "windows": [[0, 120]]},
        {"name": "queue", "observation": "instant-of-time", "timePoints": [60, 120]}]})",
                               "web.json");
}

// The railway's one variable over thirteen windows [0, 100 + 50 k].
StudyDescription Railway() {
  std::string windows;
  for (int k = 0; k < 13; k++)
    windows += (k ? ", " : "") + std::string("[0, ") + std::to_string(100 + 50 * k) + "]";
  return ParseStudyDescription(R"({"format": "san-study-description 1", "model": "railway",
      "simulation": {"type": "terminating"}, "globalVariables": [],
      "experiments": [{"name": "Experiment 1", "values": {}}],
      "rewardVariables": [{"name": "numberOfTrains", "windows": [)" +
                                   windows + "]}]}",
                               "railway.json");
}
}  // namespace

TEST(TableColumns, MeasuresAreNamedByVariableAndWindow) {
  const StudyDescription d = WebService();
  EXPECT_EQ(MeasureTitle(d, 0), "served [0, 60]");
  EXPECT_EQ(MeasureTitle(d, 2), "busy [0, 120]");
  EXPECT_EQ(MeasureTitle(d, 4), "queue t = 120");
  EXPECT_EQ(SplitShowList("served [0, 60],busy, queue t = 60"),
            (std::vector<std::string>{"served [0, 60]", "busy", "queue t = 60"}));
}

TEST(TableColumns, ChoiceOfMeasures) {
  const StudyDescription web = WebService();
  std::vector<std::size_t> chosen;
  // Five measures: all of them, and nothing is left out.
  ASSERT_FALSE(ChooseMeasures(web, {}, {}, chosen));
  EXPECT_EQ(chosen, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(LeftOutLine(web, chosen), "");
  // A variable's name takes all its measures, a title or a label one each.
  ASSERT_FALSE(ChooseMeasures(web, {"queue", "served [0, 120]"}, {}, chosen));
  EXPECT_EQ(chosen, (std::vector<std::size_t>{1, 3, 4}));
  ASSERT_FALSE(ChooseMeasures(web, {"[0, 120]"}, {}, chosen));
  EXPECT_EQ(chosen, (std::vector<std::size_t>{1, 2}));
  const std::string line = LeftOutLine(web, chosen);
  EXPECT_NE(line.find("Not shown (3 of 5 measures"), std::string::npos) << line;
  EXPECT_NE(line.find("served [0, 60], queue t = 60, t = 120; choose with --show"),
            std::string::npos)
      << line;
  const auto error = ChooseMeasures(web, {"servd"}, {}, chosen);
  ASSERT_TRUE(error);
  EXPECT_NE(error->find("no measure 'servd' (reward variables: served, busy, queue"),
            std::string::npos)
      << *error;

  // Thirteen windows of one variable: four spread from the first to the
  // last by default, or the ones a study command names; "all" shows all.
  const StudyDescription railway = Railway();
  ASSERT_FALSE(ChooseMeasures(railway, {}, {}, chosen));
  EXPECT_EQ(chosen, (std::vector<std::size_t>{0, 4, 8, 12}));
  EXPECT_NE(LeftOutLine(railway, chosen).find("(9 of 13 measures"), std::string::npos);
  ASSERT_FALSE(ChooseMeasures(railway, {}, {"[0, 200]", "[0, 700]"}, chosen));
  EXPECT_EQ(chosen, (std::vector<std::size_t>{2, 12}));
  ASSERT_FALSE(ChooseMeasures(railway, {"all"}, {"[0, 200]"}, chosen));
  EXPECT_EQ(chosen.size(), 13u);
}

TEST(TableColumns, HalfWidthsKeepTheDigitsThatTellThemFromTheTarget) {
  EXPECT_EQ(PercentBeside(0.00548, 0.005), "0.548%");
  EXPECT_EQ(PercentBeside(0.095, 0.05), "9.5%");
  EXPECT_EQ(PercentBeside(0.0500004, 0.05), "5.00004%");  // 3 digits would read as the target
  EXPECT_EQ(PercentBeside(INFINITY, 0.05), "?");
}
