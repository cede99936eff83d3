// The generator's checks of a model file: every error is reported as
// "file:line:column: message" at the element at fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ModelChecker.h"
#include "YamlReader.h"

namespace {

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
  if (model && !diagnostics.failed()) sangen::checkModel(*model, diagnostics);
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

TEST(SangenCheck, TheBaseModelIsValid) { EXPECT_EQ(errorsOf(kModel), std::vector<std::string>{}); }

TEST(SangenCheck, ErrorsNameFileLineAndColumn) {
  struct Case {
    std::string from, to;
    std::string error;  // one of the errors reported
  };
  const Case cases[] = {
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
  };
  for (const Case& c : cases) {
    const std::vector<std::string> errors = errorsOf(changed(c.from, c.to));
    EXPECT_NE(std::find(errors.begin(), errors.end(), c.error), errors.end())
        << "expected: " << c.error << "\n"
        << "got:\n"
        << [&] {
             std::string all;
             for (const std::string& e : errors) all += "  " + e + "\n";
             return all;
           }();
  }
}

}  // namespace
