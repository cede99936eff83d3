// The model's diagram: Graphviz accepts it and shows the model's texts as
// written, however hostile, and it has one node and one edge per element of
// the model file (counted here from the YAML itself).
#include "Diagram.h"

#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "CommandRun.h"
#include "ModelChecker.h"
#include "YamlReader.h"

namespace {

namespace fs = std::filesystem;

struct Drawn {
  std::string dot;
  std::string svg;
  sangen_test::CommandRun run;
};

// The DOT of the model text, and the SVG dot draws of it.
Drawn Draw(const std::string& modelText, const fs::path& dir) {
  sangen::Diagnostics diagnostics("model.yaml");
  const auto model = sangen::readModelText(modelText, "model.yaml", "model", diagnostics);
  std::optional<sangen::CheckedModel> checked;
  if (model) checked = sangen::checkModel(*model, diagnostics);
  std::ostringstream messages;
  diagnostics.print(messages);
  EXPECT_TRUE(checked) << messages.str();
  if (!checked) return {};
  Drawn drawn;
  drawn.dot = sangen::modelDiagram(*checked, (dir / "model.yaml").string());
  std::ofstream(dir / "model.dot") << drawn.dot;
  drawn.run = sangen_test::run(dir, "dot -Tsvg -o model.svg model.dot", 60);
  drawn.svg = results::readFile((dir / "model.svg").string());
  return drawn;
}

// The texts of the SVG's <text> elements, with XML's entities resolved.
std::vector<std::string> SvgTexts(const std::string& svg) {
  static const std::regex element(R"(<text[^>]*>([^<]*)</text>)");
  static const std::regex entity(R"(&(#x?[0-9a-fA-F]+|lt|gt|amp|quot|apos);)");
  std::vector<std::string> texts;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), element);
       it != std::sregex_iterator(); ++it) {
    const std::string raw = (*it)[1];
    std::string text;
    std::size_t done = 0;
    for (auto e = std::sregex_iterator(raw.begin(), raw.end(), entity); e != std::sregex_iterator();
         ++e) {
      text += raw.substr(done, e->position() - done);
      const std::string name = (*e)[1];
      static const std::map<std::string, char> named{
          {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
      if (named.count(name))
        text += named.at(name);
      else
        text += static_cast<char>(
            std::stoi(name.substr(name[1] == 'x' ? 2 : 1), nullptr, name[1] == 'x' ? 16 : 10));
      done = e->position() + e->length();
    }
    texts.push_back(text + raw.substr(done));
  }
  return texts;
}

bool Holds(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(SangenDiagram, HostileTextsAreShownAsWritten) {
  if (std::system("command -v dot >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "Graphviz's dot is not installed (Debian: graphviz)";
  const fs::path dir = fs::temp_directory_path() / ("sangen-diagram-" + std::to_string(getpid()));
  fs::create_directories(dir);
  // Texts that DOT would read as escapes, entities, quotes or HTML.
  const std::string initial = R"(2 + "\l\N\G&amp;<b>"[0])";
  const std::string weight = R"(w < 1 ? 1 : 0 "\"")";
  const std::string replicas = R"(n + "\\\n&lt;\E"[1])";
  const std::string model =
      "globals:\n"
      "  - {name: w, type: double}\n"
      "  - {name: n, type: short}\n"
      "models:\n"
      "  - name: m\n"
      "    places:\n"
      "      - {name: p, initial: '" +
      initial +
      "'}\n"
      "    activities:\n"
      "      - name: go\n"
      "        timing: {exponential: 1}\n"
      "        input_arcs: [p]\n"
      "        cases:\n"
      "          - {weight: '" +
      weight +
      "', output_arcs: [p]}\n"
      "          - {weight: '1 - w'}\n"
      "composition: {name: all, rep: many, replicas: '" +
      replicas +
      "', shared: [], child: {model: m}}\n"
      "rewards:\n"
      "  name: r\n"
      "  variables:\n"
      "    - {name: v, rate: {model: m, reads: [p], value: p}, measure: "
      "instant-of-time, times: [1]}\n"
      "study: {name: s, values: {w: 0.5, n: 2}}\n";
  const Drawn drawn = Draw(model, dir);
  ASSERT_EQ(drawn.run.status, 0) << drawn.run.err << drawn.dot;
  EXPECT_EQ(drawn.run.err, "");
  const std::vector<std::string> texts = SvgTexts(drawn.svg);
  EXPECT_TRUE(Holds(texts, initial)) << drawn.svg;
  EXPECT_TRUE(Holds(texts, weight)) << drawn.svg;
  EXPECT_TRUE(Holds(texts, "replicas: " + replicas)) << drawn.svg;

  // Control characters: a line feed breaks the label, others show as \xNN.
  EXPECT_EQ(sangen::dotLabelText("a\nb\x1b\tc\"\\"), R"(a\nb\\x1b c\"\\)");
  fs::remove_all(dir);
}

// Node and edge counts from the model file's YAML, independent of sangen.
struct Expected {
  int circles = 0, bars = 0, triangles = 0, treeNodes = 0, leaves = 0, edges = 0;
};

int Size(const YAML::Node& node) { return node ? static_cast<int>(node.size()) : 0; }

// The gate's triangle, its edge to its activity or case, and one edge per
// variable it uses.
void CountGates(const YAML::Node& gates, Expected& e) {
  for (const YAML::Node& gate : gates) {
    e.triangles++;
    e.edges += 1 + Size(gate["uses"]);
  }
}

void CountComposition(const YAML::Node& node, Expected& e) {
  if (node["model"]) {
    e.leaves++;
    return;
  }
  e.treeNodes++;
  const YAML::Node children = node["join"] ? node["children"] : YAML::Node();
  std::vector<YAML::Node> all;
  if (node["rep"]) all.push_back(node["child"]);
  for (const YAML::Node& child : children) all.push_back(child);
  for (const YAML::Node& child : all) {
    e.edges++;
    CountComposition(child, e);
  }
}

Expected CountFromYaml(const YAML::Node& file) {
  Expected e;
  for (const YAML::Node& model : file["models"]) {
    e.circles += Size(model["places"]);
    for (const YAML::Node& activity : model["activities"]) {
      e.bars++;
      e.edges += Size(activity["input_arcs"]);
      CountGates(activity["input_gates"], e);
      if (activity["cases"]) {
        for (const YAML::Node& outcome : activity["cases"]) {
          e.circles++;
          e.edges += 1 + Size(outcome["output_arcs"]);
          CountGates(outcome["output_gates"], e);
        }
      } else {
        e.edges += Size(activity["output_arcs"]);
        CountGates(activity["output_gates"], e);
      }
    }
  }
  if (file["composition"]) CountComposition(file["composition"], e);
  return e;
}

TEST(SangenDiagram, SmallModelHasANodeAndAnEdgePerElement) {
  const fs::path dir = fs::temp_directory_path() / ("sangen-counts-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string file = MB_SOURCE_DIR "/tests/tools/sangen/models/clockwork.yaml";
  const Expected expected = CountFromYaml(YAML::LoadFile(file));
  const Drawn drawn = Draw(results::readFile(file), dir);

  Expected found;
  static const std::regex node(R"(^\s+(\w+) \[shape=(\w+).*?(width=0.04|width=0.2)?)");
  static const std::regex edge(R"(^\s+\w+ -> \w+)");
  std::istringstream lines(drawn.dot);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_search(line, edge)) {
      found.edges++;
    } else if (std::regex_search(line, match, node)) {
      const std::string shape = match[2];
      const bool inTree = match[1].str()[0] == 'c';
      if (shape == "circle") found.circles++;
      if (shape == "triangle") found.triangles++;
      if (shape == "box") (inTree ? found.treeNodes : found.bars)++;
      if (shape == "ellipse") found.leaves++;
    }
  }
  EXPECT_EQ(found.circles, expected.circles);
  EXPECT_EQ(found.bars, expected.bars);
  EXPECT_EQ(found.triangles, expected.triangles);
  EXPECT_EQ(found.treeNodes, expected.treeNodes);
  EXPECT_EQ(found.leaves, expected.leaves);
  EXPECT_EQ(found.edges, expected.edges);
  if (drawn.run.status == 0) {
    // Every node drawn: Graphviz marks each with class="node".
    int drawnNodes = 0;
    for (std::size_t at = drawn.svg.find("class=\"node\""); at != std::string::npos;
         at = drawn.svg.find("class=\"node\"", at + 1))
      drawnNodes++;
    EXPECT_EQ(drawnNodes, expected.circles + expected.bars + expected.triangles +
                              expected.treeNodes + expected.leaves);
  }
  fs::remove_all(dir);
}

}  // namespace
