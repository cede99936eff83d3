// study.html: its escaping and encoding, and a real study's page opened in
// a headless Chromium, which must render it without a console message and
// show study.csv's numbers in its table.
#include "StudyPage.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <regex>

#include "HtmlText.h"
#include "StudyToolHarness.h"
#include "support/ResultReaders.h"

namespace {

const std::string bin = MB_BINARY_DIR;

TEST(StudyPage, TextIsEscapedAndImagesEncoded) {
  // RFC 4648's test vectors.
  const std::pair<const char*, const char*> vectors[] = {{"", ""},
                                                         {"f", "Zg=="},
                                                         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},
                                                         {"foob", "Zm9vYg=="},
                                                         {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"}};
  for (const auto& [data, encoded] : vectors) EXPECT_EQ(Base64(data), encoded) << data;
  EXPECT_EQ(Base64(std::string("\xff\x00\xfe", 3)), "/wD+");

  EXPECT_EQ(HtmlEscaped(R"(<a href='x' title="y">&amp;</a>)"),
            "&lt;a href=&#39;x&#39; title=&quot;y&quot;&gt;&amp;amp;&lt;/a&gt;");
  // Control characters and broken UTF-8 become visible text; lines stay.
  EXPECT_EQ(HtmlEscaped("a\x1b[31m\nb\xff\tc"), "a\\x1b[31m\nb\\xff\tc");
  // An image says nothing that could end its attribute.
  const std::string image = SvgImage("<svg/>", "\"><script>");
  EXPECT_EQ(image.find("<script"), std::string::npos) << image;
}

// The text of `html` with its entities resolved (those HtmlEscaped and a
// browser's serialisation write).
std::string Unescaped(const std::string& html) {
  static const std::pair<const char*, const char*> entities[] = {{"&lt;", "<"},    {"&gt;", ">"},
                                                                 {"&quot;", "\""}, {"&#39;", "'"},
                                                                 {"&nbsp;", " "},  {"&amp;", "&"}};
  std::string text = html;
  for (const auto& [entity, character] : entities)
    for (std::size_t at = text.find(entity); at != std::string::npos;
         at = text.find(entity, at + 1))
      text.replace(at, std::string(entity).size(), character);
  return text;
}

// The rows of the table of a rendered page: per row, its cells by
// data-column.
std::vector<std::map<std::string, std::string>> TableRows(const std::string& dom) {
  static const std::regex row(R"(<tr>((?:.|\n)*?)</tr>)");
  static const std::regex cell(R"re(<td[^>]*data-column="([^"]*)"[^>]*>([^<]*)</td>)re");
  std::vector<std::map<std::string, std::string>> rows;
  for (auto r = std::sregex_iterator(dom.begin(), dom.end(), row); r != std::sregex_iterator();
       ++r) {
    const std::string inside = (*r)[1];
    std::map<std::string, std::string> cells;
    for (auto c = std::sregex_iterator(inside.begin(), inside.end(), cell);
         c != std::sregex_iterator(); ++c)
      cells[Unescaped((*c)[1])] = Unescaped((*c)[2]);
    if (!cells.empty()) rows.push_back(cells);
  }
  return rows;
}

struct Rendered {
  int status = -1;
  std::string dom;
  std::string log;
};

// Chromium's DOM of the page after loading it, and its log (console
// messages included), from a profile of its own that is removed after.
Rendered Render(const std::filesystem::path& page, const std::filesystem::path& work) {
  const std::filesystem::path profile = work / "chromium-profile";
  const std::string command =
      "timeout -s KILL 120 chromium --headless --no-sandbox --disable-gpu "
      "--enable-logging=stderr --v=0 --no-first-run --user-data-dir='" +
      profile.string() + "' --dump-dom 'file://" + page.string() + "' >'" +
      (work / "dom.html").string() + "' 2>'" + (work / "chromium.log").string() + "'";
  const int raw = std::system(command.c_str());
  Rendered rendered{raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
                    results::readFile((work / "dom.html").string()),
                    results::readFile((work / "chromium.log").string())};
  std::error_code ignored;
  std::filesystem::remove_all(profile, ignored);
  return rendered;
}

// Every cell of the page's table holds the text of its column in the CSV's
// row, and every row is there with its mean and interval.
void ExpectCsvNumbers(const std::vector<std::map<std::string, std::string>>& page,
                      const std::vector<std::map<std::string, std::string>>& csv,
                      const std::string& which) {
  ASSERT_EQ(page.size(), csv.size()) << which;
  for (std::size_t r = 0; r < csv.size(); r++) {
    for (const char* column : {"mean", "lower", "upper", "half_width"}) {
      ASSERT_TRUE(page[r].count(column)) << which << " row " << r << " lacks " << column;
      // A number that the CSV can read back: the page holds the CSV's text.
      EXPECT_FALSE(csv[r].at(column).empty()) << which << " row " << r << " " << column;
      EXPECT_EQ(std::stod(page[r].at(column)), std::stod(csv[r].at(column)));
    }
    for (const auto& [column, text] : page[r])
      EXPECT_EQ(text, csv[r].at(column)) << which << " row " << r << " column " << column;
  }
}

TEST(StudyPage, OpensInAHeadlessBrowserWithTheCsvNumbers) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "chromium is not installed: the browser test is skipped "
                    "(scripts/install-deps.sh browser installs it)";
  const auto dir = results::freshDirectory("study-page");
  const auto work = results::freshDirectory("study-page-browser");
  const ToolRun run =
      RunProgram(bin + "/san-study",
                 {"--simulator", bin + "/erlang-sim", "-e", "1", "--sweep", "s:servers=2,4",
                  "--min-reps", "10", "--max-reps", "40", "--seed", "7", "-o", dir.string()});
  ASSERT_TRUE(run.exitStatus == 0 || run.exitStatus == 2) << run.err;
  EXPECT_NE(run.err.find("study.html"), std::string::npos) << run.err;
  const auto csv = ReadCsv(dir / "study.csv");
  ASSERT_FALSE(csv.empty());

  const Rendered rendered = Render(dir / "study.html", work);
  ASSERT_EQ(rendered.status, 0) << rendered.log;
  // Chromium logs console messages as "...:CONSOLE:..." lines.
  EXPECT_EQ(rendered.log.find(":CONSOLE"), std::string::npos) << rendered.log;
  EXPECT_EQ(rendered.log.find("Uncaught"), std::string::npos) << rendered.log;
  EXPECT_NE(rendered.dom.find("<h1>Study"), std::string::npos) << rendered.dom;
  ExpectCsvNumbers(TableRows(rendered.dom), csv, "study");

  // Self-contained: no URL but the embedded images' data.
  const std::string page = results::readFile((dir / "study.html").string());
  EXPECT_EQ(page.find("http"), std::string::npos);
  EXPECT_EQ(page.find("<script"), std::string::npos);
  const bool drawn = std::filesystem::exists(bin + "/erlang-model.svg");
  std::size_t images = 0;
  for (std::size_t at = page.find("src=\"data:image/svg+xml;base64,"); at != std::string::npos;
       at = page.find("src=\"data:image/svg+xml;base64,", at + 1))
    images++;
  EXPECT_EQ(images, drawn ? 2u : 1u) << "the plot, and the diagram when Graphviz drew it";

  // merge writes the page of the merged results, with the same numbers.
  const auto merged = results::freshDirectory("study-page-merged");
  const ToolRun merge = RunProgram(bin + "/san-study", {"merge", merged.string(), dir.string()});
  ASSERT_TRUE(merge.exitStatus == 0 || merge.exitStatus == 2) << merge.err;
  const Rendered mergedPage = Render(merged / "study.html", work);
  ASSERT_EQ(mergedPage.status, 0) << mergedPage.log;
  EXPECT_EQ(mergedPage.log.find(":CONSOLE"), std::string::npos) << mergedPage.log;
  ExpectCsvNumbers(TableRows(mergedPage.dom), ReadCsv(merged / "study.csv"), "merged");

  // The same command line writes the same page.
  const auto again = results::freshDirectory("study-page-again");
  ASSERT_EQ(
      RunProgram(bin + "/san-study",
                 {"--simulator", bin + "/erlang-sim", "-e", "1", "--sweep", "s:servers=2,4",
                  "--min-reps", "10", "--max-reps", "40", "--seed", "7", "-o", again.string()})
          .exitStatus,
      run.exitStatus);
  EXPECT_EQ(results::readFile((again / "study.html").string()), page);
  for (const auto& folder : {dir, work, merged, again}) std::filesystem::remove_all(folder);
}

}  // namespace
