// The generator's checks of a model file: every error is reported as
// "file:line:column: message" at the element at fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "CommandRun.h"
#include "ModelChecker.h"
#include "YamlReader.h"

namespace {

namespace fs = std::filesystem;

// A valid model; each case below changes one piece of it.
const std::string kModel = R"yaml(globals:
  - {name: rate, type: double, range: "(0, inf)"}
  - {name: size, type: short}
records:
  - name: pair
    fields: {a: int, b: int}
arrays:
  - {name: pairs, of: pair, length: size}
models:
  - name: m
    places:
      - {name: p, initial: 1}
      - {name: q, type: pairs}
    activities:
      - name: go
        timing: {exponential: rate}
        input_arcs: [p]
        cases:
          - weight: 0.5
            output_arcs: [p]
          - weight: 0.5
            output_gates:
              - name: mark
                uses: {q: change}
                function: q[0].a = 1;
  - name: n
    places:
      - {name: p, initial: 1}
    activities:
      - {name: stop, timing: instantaneous, input_arcs: [p]}
composition:
  name: top
  join: both
  shared: [p]
  children: [{model: m}, {model: n}]
rewards:
  name: r
  variables:
    - name: v
      rate: {model: m, reads: [p], value: p}
      measure: instant-of-time
      times: [1]
study:
  name: s
  values: {rate: 1.0, size: 2}
)yaml";

std::vector<std::string> errorsOf(const std::string& text) {
  sangen::Diagnostics diagnostics("bad.yaml");
  const std::optional<sangen::ModelDescription> model =
      sangen::readModelText(text, "bad.yaml", "bad", diagnostics);
  if (model) sangen::checkModel(*model, diagnostics);
  return diagnostics.errors();
}

// kModel with `from` (which must occur once) replaced by `to`.
std::string changed(const std::string& from, const std::string& to) {
  const auto at = kModel.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  EXPECT_EQ(kModel.find(from, at + 1), std::string::npos) << from;
  std::string text = kModel;
  return text.replace(at, from.size(), to);
}

struct Case {
  std::string from, to;
  std::string error;  // one of the errors reported
};

std::string listed(const std::vector<std::string>& errors) {
  std::string all;
  for (const std::string& e : errors) all += "  " + e + "\n";
  return all;
}

void expectErrors(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    const std::vector<std::string> errors = errorsOf(changed(c.from, c.to));
    EXPECT_NE(std::find(errors.begin(), errors.end(), c.error), errors.end())
        << "expected: " << c.error << "\ngot:\n"
        << listed(errors);
  }
}

TEST(SangenCheck, TheBaseModelIsValid) { EXPECT_EQ(errorsOf(kModel), std::vector<std::string>{}); }

TEST(SangenCheck, ErrorsNameFileLineAndColumn) {
  expectErrors({
      {"            output_arcs: [p]", "            ouput_arcs: [p]",
       "bad.yaml:20:13: unknown key 'ouput_arcs' in a case (known: weight, reads, output_arcs, "
       "output_gates, description) (did you mean 'output_arcs'?)"},
      {"{name: q, type: pairs}", "{name: p, type: pairs}",
       "bad.yaml:13:16: duplicate name 'p': a place or an activity of that name is already "
       "declared at line 12"},
      {"input_arcs: [p]\n        cases", "input_arcs: [x]\n        cases",
       "bad.yaml:17:22: activity 'go' uses 'x', which is not a place of model 'm' (did you mean "
       "'p'?)"},
      {"          - weight: 0.5\n            output_gates:", "          - output_gates:",
       "bad.yaml:21:13: case 2 of activity 'go' has no weight"},
      {"shared: [p]", "shared: [nothing]",
       "bad.yaml:34:12: 'both' shares 'nothing', which no child of it has (a child shares only "
       "what it has; a join or rep offers only its own shared variables)"},
      {"      - {name: p, initial: 1}\n    activities:\n      - {name: stop",
       "      - {name: p, type: int}\n    activities:\n      - {name: stop",
       "bad.yaml:34:12: type mismatch: 'p' is a place in one child and an int typed place in 'n'"},
      {"reads: [p]", "reads: [zz]",
       "bad.yaml:40:32: reward variable 'v' reads 'zz', which is not a place of model 'm'"},
      {"rate: {model: m,", "impulses: [{activity: nope, value: 1}]\n      rate: {model: m,",
       "bad.yaml:40:29: reward variable 'v' counts activity 'nope', which does not exist"},
      {"size: 2}", "size: 2.5}",
       "bad.yaml:45:29: type mismatch: global variable 'size' (short) takes a whole number that a "
       "short holds, not '2.5'"},
      {"{rate: 1.0, size: 2}", "{rate: 0, size: 2}",
       "bad.yaml:45:18: value 0 of global variable 'rate' is outside its range (0, inf)"},
      {"{rate: 1.0, size: 2}", "{rate: 1.0}",
       "bad.yaml:3:12: global variable 'size' is not set by the study"},
      {"{rate: 1.0, size: 2}", "{rate: 1.0, size: 2, speed: 3}",
       "bad.yaml:45:32: the study sets 'speed', which is not a global variable"},
      {"{model: n}]", "{model: n}", "bad.yaml:36:1: end of sequence flow not found"},
      {"{model: n}]", "{model: nn}]",
       "bad.yaml:35:34: unknown model 'nn' in the composition (did you mean 'n'?)"},
      {"{exponential: rate}", "{exponential: [rate, 2]}",
       "bad.yaml:16:18: exponential takes 1 parameter(s): rate"},
      {"fields: {a: int, b: int}", "fields: {a: int, b: bool}",
       "bad.yaml:6:25: field 'b' must be of type short, int or double, not 'bool'"},
      {"name: go", "name: Actions",
       "bad.yaml:15:15: the name 'Actions' cannot name an activity: the framework's class of an "
       "atomic model has a member of that name"},
      {"name: go", "name: class",
       "bad.yaml:15:15: an activity's name 'class' is not a valid name (letters, digits and _, not "
       "starting with a digit, not a C++ keyword)"},
      {"      times: [1]", "      windows: [[0, 1]]",
       "bad.yaml:42:7: reward variable 'v' is instant-of-time: it takes 'times', not 'windows'"},
  });
}

// Names that generated code would declare where the C and C++ libraries,
// their macros or the framework already have them, and values that would
// not compile or would run wrong.
TEST(SangenCheck, RefusesWhatWouldNotCompileOrRunWrong) {
  const std::string gammaLine = "{name: size, type: short}\n  - {name: gamma, type: double}";
  expectErrors({
      {"{name: size, type: short}", gammaLine,
       "bad.yaml:4:12: the name 'gamma' cannot name a global variable: the C or C++ library "
       "declares it in the global namespace"},
      {"{name: size, type: short}", "{name: main, type: short}",
       "bad.yaml:3:12: the name 'main' cannot name a global variable: it is the program's entry "
       "point"},
      {"{name: size, type: short}", "{name: GenerateStudy, type: short}",
       "bad.yaml:3:12: the name 'GenerateStudy' cannot name a global variable: the simulation "
       "framework declares it"},
      {"{name: size, type: short}", "{name: EOF, type: short}",
       "bad.yaml:3:12: the name 'EOF' cannot name a global variable: it is a macro of the C or C++ "
       "library"},
      {"{name: q, type: pairs}", "{name: stdout, type: pairs}",
       "bad.yaml:13:16: the name 'stdout' cannot name a place: it is a macro of the C or C++ "
       "library"},
      {"  - name: pair\n", "  - name: Place\n",
       "bad.yaml:5:11: the name 'Place' cannot name a record type: the simulation framework "
       "declares it"},
      {"fields: {a: int, b: int}", "fields: {a: int, pair_state: int}",
       "bad.yaml:6:22: field 'pair_state' of record type 'pair' cannot have the name of the record "
       "type or of a class made from it (pair, pair_state, pair_view, pair_const_view)"},
      {"name: go", "name: go__x",
       "bad.yaml:15:15: an activity's name 'go__x' is not a valid name: names with '__' or a "
       "leading '_' belong to the C++ implementation"},
      {"{name: p, initial: 1}\n    activities:\n      - {name: stop",
       "{name: p, initial: 2}\n    activities:\n      - {name: stop",
       "bad.yaml:34:12: 'both' shares 'p', which starts from 1 in 'm' (line 12) and from 2 in 'n' "
       "(line 28): a shared variable has one initial value; give them the same"},
      {"      times: [1]", "      times: [inf]",
       "bad.yaml:42:7: reward variable 'v': every time must be a finite number"},
      {"{name: p, initial: 1}\n      - {name: q", "{name: p, initial: 99999999}\n      - {name: q",
       "bad.yaml:12:28: the initial value 99999999 of 'p' does not fit a short (-32768 to 32767)"},
      {"length: size}", "length: -5}",
       "bad.yaml:8:37: the length of array type 'pairs' must be a whole number from 0 to "
       "2147483647, not -5"},
      {"timing: {exponential: rate}", "timing: {deterministic: \"rate + p\", reads: [p]}",
       "bad.yaml:16:17: activity 'go': its deterministic timing reads state variables, but a "
       "firing time drawn when the activity is scheduled does not follow their later changes; say "
       "what should happen: on_change: keep (keep the sampled time), on_change: redraw (draw a new "
       "time from the time of the change) or a reactivation block"},
      {"timing: {exponential: rate}", "timing: {exponential: rate, reads: [p], on_change: kep}",
       "bad.yaml:16:60: on_change must be keep or redraw, not 'kep' (did you mean 'keep'?)"},
      {"{rate: 1.0, size: 2}", "{rate: 1.0, sise: 2}",
       "bad.yaml:45:23: the study sets 'sise', which is not a global variable (did you mean "
       "'size'?)"},
  });
  // What compiles stays accepted: the library's global names as places (a
  // member hides them), a timing that reads and keeps its sample.
  std::string timePlace = kModel;
  for (const auto& [from, to] :
       {std::pair<std::string, std::string>{"{name: q, type: pairs}", "{name: time, type: pairs}"},
        {"uses: {q: change}", "uses: {time: change}"},
        {"function: q[0]", "function: time[0]"}})
    timePlace.replace(timePlace.find(from), from.size(), to);
  EXPECT_EQ(errorsOf(timePlace), std::vector<std::string>{});
  EXPECT_EQ(errorsOf(changed("timing: {exponential: rate}",
                             "timing: {deterministic: rate, reads: [p], on_change: keep}")),
            std::vector<std::string>{});
}

// An aggregate over the copies: a known word, and at_least with count only,
// a whole number of copies or a global variable.
TEST(SangenCheck, RefusesMisusedAggregates) {
  const std::string rate = "rate: {model: m, reads: [p], value: p}";
  expectErrors({
      {rate, "rate: {model: m, aggregate: maxx, reads: [p], value: p}",
       "bad.yaml:40:35: aggregate 'maxx' must be sum, count, all, any, min or max (did you mean "
       "'max'?)"},
      {rate, "rate: {model: m, aggregate: all, at_least: 2, reads: [p], value: p}",
       "bad.yaml:40:40: at_least counts copies where the value holds: it goes with 'aggregate: "
       "count'"},
      {rate, "rate: {model: m, at_least: 1, reads: [p], value: p}",
       "bad.yaml:40:24: at_least counts copies where the value holds: it goes with 'aggregate: "
       "count'"},
      {rate, "rate: {model: m, aggregate: count, at_least: 1.5, reads: [p], value: p}",
       "bad.yaml:40:52: at_least must be a whole number of copies, 0 or more"},
      {rate, "rate: {model: m, aggregate: count, at_least: -1, reads: [p], value: p}",
       "bad.yaml:40:52: at_least must be a whole number of copies, 0 or more"},
      {rate, "rate: {model: m, aggregate: count, at_least: sise, reads: [p], value: p}",
       "bad.yaml:40:52: reward variable 'v': at_least 'sise' is neither a number nor a global "
       "variable (did you mean 'size'?)"},
  });
  for (const char* aggregate : {"sum", "count", "all", "any", "min", "max"})
    EXPECT_EQ(errorsOf(changed(rate, std::string("rate: {model: m, aggregate: ") + aggregate +
                                         ", reads: [p], value: p}")),
              std::vector<std::string>{})
        << aggregate;
  EXPECT_EQ(errorsOf(changed(rate,
                             "rate: {model: m, aggregate: count, at_least: size, reads: "
                             "[p], value: p > 0}")),
            std::vector<std::string>{});
}

// A missing required key does not hide the other errors of the file.
TEST(SangenCheck, ReportsEveryErrorInOnePass) {
  std::string text = changed("        timing: {exponential: rate}\n", "");
  text.replace(text.find("input_arcs: [p]\n        cases"), 15, "input_arcs: [x]");
  const std::vector<std::string> errors = errorsOf(text);
  for (const char* expected :
       {"bad.yaml:15:9: an activity needs 'timing'",
        "bad.yaml:16:22: activity 'go' uses 'x', which is not a place of model 'm' (did you mean "
        "'p'?)"})
    EXPECT_NE(std::find(errors.begin(), errors.end(), expected), errors.end())
        << expected << "\ngot:\n"
        << listed(errors);
  // The check goes on over what the reader left incomplete (a range without
  // its step, found by the model file fuzzer).
  const std::vector<std::string> range =
      errorsOf(changed("{rate: 1.0, size: 2}", "{rate: {from: 1.0, to: 2.0}, size: 2}"));
  EXPECT_EQ(range, std::vector<std::string>{"bad.yaml:45:18: a range of values needs 'step'"});
}

// "line:column" of `needle` (plus `offset` characters) in `text`.
std::string where(const std::string& text, const std::string& needle, int offset) {
  const std::size_t at = text.find(needle) + static_cast<std::size_t>(offset);
  const std::size_t lineStart = text.rfind('\n', at - 1);
  const long line = std::count(text.begin(), text.begin() + static_cast<long>(at), '\n') + 1;
  return std::to_string(line) + ":" +
         std::to_string(at - (lineStart == std::string::npos ? 0 : lineStart + 1) + 1);
}

// The real sangen refuses, in one run and at their places, names the
// libraries and the framework declare, times that are not finite and
// values written in the file that do not fit.
TEST(SangenCheck, TheCommandLineRefusesWhatWouldNotCompileOrRunWrong) {
  std::string text = kModel;
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"{name: size, type: short}", "{name: size, type: short}\n  - {name: gamma, type: int}"},
           {"records:\n", "records:\n  - name: Place\n    fields: {x: int, Place_state: int}\n"},
           {"{name: p, initial: 1}\n      - {name: q",
            "{name: p, initial: 99999999}\n      - {name: q"},
           {"length: size}", "length: -5}"},
           {"      times: [1]", "      times: [inf]"},
           {"    activities:\n      - name: go",
            "      - {name: EOF}\n    activities:\n      - name: go"}})
    text.replace(text.find(from), from.size(), to);
  const fs::path dir = results::freshDirectory("sangen_refusals");
  std::ofstream(dir / "bad.yaml") << text;
  const sangen_test::CommandRun result =
      sangen_test::run(dir, sangen_test::sangen() + " bad.yaml --check");
  EXPECT_EQ(result.status, 1);
  for (const std::string& expected :
       {where(text, "name: gamma", 6) + ": the name 'gamma' cannot name a global variable",
        where(text, "name: Place", 6) + ": the name 'Place' cannot name a record type",
        where(text, "Place_state: int", 0) + ": field 'Place_state' of record type 'Place'",
        where(text, "99999999", 0) + ": the initial value 99999999 of 'p' does not fit a short",
        where(text, "-5}", 0) + ": the length of array type 'pairs' must be a whole number",
        where(text, "times: [inf]", 0) + ": reward variable 'v': every time must be a finite",
        where(text, "name: EOF", 6) + ": the name 'EOF' cannot name a place: it is a macro"})
    EXPECT_NE(result.err.find("bad.yaml:" + expected), std::string::npos) << expected << "\ngot:\n"
                                                                          << result.err;
  fs::remove_all(dir);
}

}  // namespace

// Derived measures: ratios of two reward variables observed at the same
// time points, under a name of their own.
TEST(SangenCheck, RefusesMisusedDerivedMeasures) {
  const std::string derived =
      "      times: [1]\n"
      "    - name: w\n"
      "      rate: {model: m, reads: [p], value: p}\n"
      "      measure: instant-of-time\n"
      "      times: [1, 2]\n"
      "  derived:\n"
      "    - name: ratio\n"
      "      ratio: {numerator: v, denominator: ww}\n"
      "    - name: again\n"
      "      ratio: {numerator: ratio, denominator: v}\n"
      "    - name: v\n"
      "      ratio: {numerator: v, denominator: w}\n"
      "    - name: fine\n"
      "      ratio: {numerator: v, denominator: v}\n";
  const std::vector<std::string> errors = errorsOf(changed("      times: [1]\n", derived));
  const std::vector<std::string> expected = {
      "bad.yaml:49:42: derived measure 'ratio': its denominator 'ww' is not a reward variable "
      "(did you mean 'w'?)",
      "bad.yaml:51:26: derived measure 'again': its numerator 'ratio' is a derived measure; a "
      "ratio takes reward variables only",
      "bad.yaml:52:13: duplicate name 'v': a reward variable or derived measure of that name is "
      "already declared at line 39",
      "bad.yaml:53:42: derived measure 'v': numerator 'v' and denominator 'w' have different "
      "times"};
  EXPECT_EQ(errors, expected) << listed(errors);
}
