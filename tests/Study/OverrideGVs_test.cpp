// The override-string parser of the study base and experiment names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "Study/BaseStudyClass.h"
#include "support/Capture.h"

namespace {

// A study of three variables, one per supported type, that records overrides.
class ThreeVariableStudy : public BaseStudyClass {
 public:
  double rate = 0.0;
  int length = 0;
  short count = 0;

  ThreeVariableStudy() {
    const char* names[] = {"rate", "length", "count"};
    const char* types[] = {"double", "int", "short"};
    SetGVTable(3, names, types);
  }
  void* GetGVValue(const char* name) override {
    if (!std::strcmp(name, "rate")) return &rate;
    if (!std::strcmp(name, "length")) return &length;
    if (!std::strcmp(name, "count")) return &count;
    return nullptr;
  }
  void OverrideGVValue(const char* name, void* value) override {
    if (!std::strcmp(name, "rate"))
      rate = *static_cast<double*>(value);
    else if (!std::strcmp(name, "length"))
      length = *static_cast<int*>(value);
    else if (!std::strcmp(name, "count"))
      count = *static_cast<short*>(value);
    else
      std::cerr << "unknown " << name << "\n";
  }
};

// Applies the text; its status and what it writes to standard error.
struct Outcome {
  int status;
  std::string err;
};
Outcome applied(BaseStudyClass& study, const char* text) {
  Outcome outcome{};
  const std::string out =
      StdoutOf([&] { outcome.err = StderrOf([&] { outcome.status = study.overrideGVs(text); }); });
  EXPECT_EQ(out, "") << text;  // overrides write nothing to standard output
  return outcome;
}

TEST(OverrideGVs, MatchingTypes) {
  ThreeVariableStudy study;
  EXPECT_EQ(applied(study, "d:rate:0.25:i:length:20000:s:count:12").status, 0);
  EXPECT_DOUBLE_EQ(study.rate, 0.25);
  EXPECT_EQ(study.length, 20000);
  EXPECT_EQ(study.count, 12);
  EXPECT_EQ(applied(study, "i:length:0x10").status, 0);  // %i reads hexadecimal too
  EXPECT_EQ(study.length, 16);
}

TEST(OverrideGVs, MismatchedTypeCharacterIsConvertedWhenTheValueFits) {
  ThreeVariableStudy study;
  EXPECT_EQ(applied(study, "i:rate:3:d:length:29:d:count:-7:b:length:5").status, 0);
  EXPECT_DOUBLE_EQ(study.rate, 3.0);
  EXPECT_EQ(study.count, -7);
  EXPECT_EQ(study.length, 1);  // b reads a truth value
  EXPECT_EQ(applied(study, "c:count:A:l:rate:99:f:rate:0.5").status, 0);
  EXPECT_EQ(study.count, 'A');
  EXPECT_DOUBLE_EQ(study.rate, 0.5);
}

// Each bad override is refused with a message, and nothing of the text is
// applied, not even its valid triples.
TEST(OverrideGVs, EveryErrorRefusesTheWholeText) {
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"d:rate", "Not enough double override tokens: 'd:rate' is not a whole"},
      {"s:count:4:d:rate", "Not enough double override tokens: 'd:rate'"},
      {"s:count:4::d:rate:1", "Empty field in the override text"},
      {"", "Empty field"},
      {"d::1", "Empty field"},
      {"x:rate:1", "Override 'x:rate:1': Type x not recognized (one of b c d f i l s)"},
      {"dd:rate:1", "Type dd not recognized"},
      {"d:nothing:1", "Override 'd:nothing:1': Global Variable nothing does not exist."},
      {"s:count:abc", "Override 's:count:abc': 'abc' is not a short (s)"},
      {"s:count:12x", "'12x' is not a short"},
      {"s:count: 12", "' 12' is not a short"},
      {"s:count:40000", "'40000' is not a short"},  // beyond the type letter's own type
      {"i:count:65537",
       "Override 'i:count:65537': 65537 is outside the range of type short (-32768 to 32767)"},
      {"d:count:1e10", "Override 'd:count:1e10': 1e10 is outside the range of type short"},
      {"d:length:2.9", "2.9 is not a whole number, and the variable's type is int"},
      {"d:length:2147483648", "outside the range of type int"},
      {"d:rate:nan", "'nan' is not a finite double (d)"},
      {"d:rate:inf", "is not a finite double"},
      {"d:rate:1e999", "is not a finite double"},
      {"f:rate:1e39", "'1e39' is not a finite float (f)"},
      {"c:count:AB", "'AB' is not one character (c)"},
      {"i:length:99999999999", "is not an int (i)"},
  };
  for (const auto& [text, message] : refused) {
    ThreeVariableStudy study;
    const Outcome outcome = applied(study, ("i:length:5:" + text).c_str());
    EXPECT_EQ(outcome.status, 1) << text;
    EXPECT_TRUE(outcome.err.starts_with("ERROR: ")) << text;
    EXPECT_NE(outcome.err.find(message), std::string::npos) << text << ": " << outcome.err;
    EXPECT_EQ(study.length, 0) << text;  // the valid first triple is not applied either
  }
  ThreeVariableStudy study;
  const char text[] = "s:count:9";
  applied(study, text);
  EXPECT_STREQ(text, "s:count:9");  // the caller's text is not split in place
}

// A study that declares ranges: a probability, a positive period and a
// count of at least 1 whose product with the spacing must stay small.
class RangedStudy : public ThreeVariableStudy {
 public:
  RangedStudy() {
    const GVRange ranges[] = {
        {0, false, 1, false}, {0, true, HUGE_VAL, true}, {1, false, 100, false}};
    SetGVRanges(ranges);
  }
  std::string GVCombinationProblem() override {
    return count * length > 1000 ? "count x length exceeds 1000" : "";
  }
};

TEST(OverrideGVs, DeclaredRangesAndCombinationsAreEnforced) {
  RangedStudy study;
  EXPECT_EQ(applied(study, "d:rate:0:d:rate:1:i:length:1:s:count:1:s:count:100").status, 0);
  for (auto [text, message] :
       {std::pair{"d:rate:1.0000000000000002", "rate must lie in [0, 1], not 1.0000000000000002"},
        {"d:rate:-0.5", "rate must lie in [0, 1], not -0.5"},
        {"i:length:0", "length must lie in (0, inf), not 0"},
        {"s:count:0", "count must lie in [1, 100], not 0"},
        {"s:count:101", "count must lie in [1, 100], not 101"}}) {
    const Outcome outcome = applied(study, text);
    EXPECT_EQ(outcome.status, 1) << text;
    EXPECT_EQ(outcome.err, "ERROR: Override '" + std::string(text) + "': " + message + "\n");
  }
  // The current values as a whole: each in range, then together.
  study.rate = 0.5;
  study.length = 10;
  study.count = 100;
  EXPECT_EQ(StderrOf([&] { EXPECT_EQ(study.CheckGVs(), 0); }), "");
  study.length = 11;
  EXPECT_EQ(StderrOf([&] { EXPECT_EQ(study.CheckGVs(), 1); }),
            "ERROR: count x length exceeds 1000\n");
  study.rate = std::nan("");
  EXPECT_EQ(StderrOf([&] { EXPECT_EQ(study.CheckGVs(), 1); }),
            "ERROR: Global variable rate is nan; it must lie in [0, 1]\n");
  EXPECT_EQ(study.GetGVRange(2).Text(), "[1, 100]");
  EXPECT_EQ(ThreeVariableStudy().GetGVRange(0).Text(), "(-inf, inf)");  // no ranges declared
}

}  // namespace
