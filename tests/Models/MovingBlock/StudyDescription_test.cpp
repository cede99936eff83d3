// The railway's study description, read by the study tool, against the
// study compiled into the simulator; and the simulator's usage text.
#include <gtest/gtest.h>

#include <cstring>

#include "SimulatorRun.h"
#include "Study/BaseStudyClass.h"
#include "StudyDescriptionReader.h"

using namespace results;

TEST(RailwayStudyDescription, AgreesWithTheCompiledStudy) {
  const StudyDescription d = ReadStudyDescription(MB_BINARY_DIR "/movingblock-study.json");
  BaseStudyClass* study = GenerateStudy();
  ASSERT_EQ(d.variables.size(), study->GetNumGVs());
  ASSERT_EQ(d.experiments.size(), study->GetNumExps());
  for (unsigned g = 0; g < study->GetNumGVs(); g++) {
    EXPECT_EQ(d.variables[g].name, study->GetGVName(static_cast<int>(g)));
    EXPECT_STREQ(TypeName(d.variables[g].type), study->GetGVType(static_cast<int>(g)));
  }
  for (unsigned e = 0; e < study->GetNumExps(); e++) {
    EXPECT_EQ(d.experiments[e].name, BaseStudyClass::GetExpName(static_cast<int>(e)));
    study->SetGVs(static_cast<int>(e));
    for (unsigned g = 0; g < study->GetNumGVs(); g++) {
      void* address = study->GetGVValue(d.variables[g].name.c_str());
      ASSERT_NE(address, nullptr);
      const std::string type = study->GetGVType(static_cast<int>(g));
      const double value = type == "double" ? *static_cast<double*>(address)
                           : type == "int"  ? *static_cast<int*>(address)
                                            : *static_cast<short*>(address);
      EXPECT_EQ(d.experiments[e].values[g], value)
          << d.variables[g].name << " in experiment " << e;  // exactly
      EXPECT_TRUE(d.variables[g].range.Contains(value)) << d.variables[g].name;
    }
  }
  DestructStudy();
  ASSERT_EQ(d.measures.size(), 13u);  // the 13 windows of numberOfTrains, in PV order
  for (int w = 0; w < 13; w++) EXPECT_EQ(d.measures[w].end, 100 + 50 * w);
}

TEST(SimulatorUsage, HelpListsEveryOptionAndEndsWithZero) {
  const std::string dir = freshDirectory("usage").string();
  const RunResult run = runSimulator(dir, "-h");
  EXPECT_EQ(run.status, 0);
  for (const char* option :
       {"-a <name>", "-e <num>", "-h:", "-N <num>", "-O <text>", "-r <num>", "-w:"})
    EXPECT_TRUE(contains(run.err, option)) << option << "\n" << run.err;
  EXPECT_FALSE(contains(run.out, "Preparing to run"));  // nothing was simulated
}
