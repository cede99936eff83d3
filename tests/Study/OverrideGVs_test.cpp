// The override-string parser of the study base and experiment names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
    if (!std::strcmp(name, "rate")) rate = *static_cast<double*>(value);
    else if (!std::strcmp(name, "length")) length = *static_cast<int*>(value);
    else if (!std::strcmp(name, "count")) count = *static_cast<short*>(value);
    else std::cerr << "unknown " << name << "\n";
  }
};

std::string applied(ThreeVariableStudy& study, const char* text) {
  return StdoutOf([&] { study.overrideGVs(text); });
}

TEST(OverrideGVs, MatchingTypesAndEmptyFields) {
  ThreeVariableStudy study;
  EXPECT_EQ(applied(study, "d:rate:0.25::i:length:20000:::s:count:12"), "");
  EXPECT_DOUBLE_EQ(study.rate, 0.25);
  EXPECT_EQ(study.length, 20000);
  EXPECT_EQ(study.count, 12);
  EXPECT_EQ(applied(study, "i:length:0x10"), "");  // %i reads hexadecimal too
  EXPECT_EQ(study.length, 16);
}

TEST(OverrideGVs, MismatchedTypeCharacterIsConverted) {
  ThreeVariableStudy study;
  applied(study, "i:rate:3:d:length:2.9:d:count:-7.5:b:length:5");
  EXPECT_DOUBLE_EQ(study.rate, 3.0);
  EXPECT_EQ(study.count, -7);
  EXPECT_EQ(study.length, 1);  // b reads a truth value
  applied(study, "c:count:A:l:rate:99");
  EXPECT_EQ(study.count, 'A');
  EXPECT_DOUBLE_EQ(study.rate, 99.0);
}

TEST(OverrideGVs, UnknownTypeIncompleteTripleAndUnknownName) {
  ThreeVariableStudy study;
  EXPECT_EQ(applied(study, "x:rate:1:s:count:4"), "Type x not recognized\n");
  EXPECT_DOUBLE_EQ(study.rate, 0.0);
  EXPECT_EQ(study.count, 4);  // the next triple is still applied
  EXPECT_EQ(applied(study, "i:length:5:d:rate"), "Not enough double override tokens");
  EXPECT_EQ(study.length, 5);  // complete triples before it are applied
  EXPECT_DOUBLE_EQ(study.rate, 0.0);
  EXPECT_EQ(StderrOf([&] { applied(study, "d:nothing:1"); }), "unknown nothing\n");
  const char text[] = "s:count:9";
  applied(study, text);
  EXPECT_STREQ(text, "s:count:9");  // the caller's text is not split in place
}

}  // namespace
