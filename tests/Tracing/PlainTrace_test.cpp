#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "Tracing/TraceFileContainer.h"
#include "Tracing/TraceFileCorvax.h"
#include "support/Capture.h"
#include "support/TestModels.h"

namespace {

TEST(PlainTraceTest, FiringDetailFollowsTheLevel) {
  workerSAN worker;
  const std::string w = std::to_string(worker.getModelId());
  std::ostringstream out;
  TraceFileCorvax trace(&out);
  EXPECT_EQ(trace.getTraceLevel(), 0);  // a writer on a stream starts silent
  trace.printFireAction(&worker.start, 1.0);
  trace.printPostFireAction(&worker.start, &worker.start);
  EXPECT_EQ(out.str(), "");

  trace.setTraceLevel(1);
  trace.printPreFireAction(&worker.serveGroup);  // level 2 only
  trace.printFireAction(&worker.serve_case1, 1.0 / 3);
  trace.printPostFireAction(&worker.serveGroup, &worker.serve_case1);
  EXPECT_EQ(out.str(), "#### Firing: 0.333333  Action: (" + w + ")worker->serve_case1\n" +
                           "#### After: (" + w + ")serveGroup->serve_case1\n");

  // Level 2 adds the enabling state of the group's printed case and the
  // affected state of the fired case: names with and without a prefix.
  out.str("");
  trace.setTraceLevel(2);
  EXPECT_EQ(TraceLevel, 2);  // the process-wide level follows the writer
  worker.busy->setMark(1);
  trace.printPreFireAction(&worker.serveGroup);
  worker.serve_case1.Fire();
  trace.printPostFireAction(&worker.serveGroup, &worker.serve_case1);
  EXPECT_EQ(out.str(), "Enabling state before action firing:\n  busy = 1\n#### After: (" + w +
                           ")serveGroup->serve_case1\nAffected state after firing: \n"
                           "  busy = 0\n  served.0 = 1\n  served.1 = 0\n");
}

TEST(PlainTraceTest, ContainerForwardsInOrderOfAddition) {
  workerSAN worker;
  // Without writers every call is accepted and nothing is written anywhere.
  TraceFileContainer trace;
  EXPECT_EQ(StdoutOf([&] {
              trace.printHeader();
              trace.printInitialState();
              trace.printState();
              trace.printFireAction(&worker.start, 1.0);
              trace.printPostFireAction(&worker.start, &worker.start);
              EXPECT_EQ(trace.printf(1, "%s %d", "text", 7), 6);
              trace.newBatch();
              trace.printFooter();
            }),
            "");

  std::ostringstream first, second;
  TraceFileCorvax one(&first), two(&second);
  one.setTraceLevel(1);
  two.setTraceLevel(2);
  trace.AddTraceFile(&two);
  trace.AddTraceFile(&one);
  trace.AddTraceFile(&two);  // already there
  trace.AddTraceFile(nullptr);
  EXPECT_EQ(trace.getNumTraceFiles(), 2);
  trace.printPreFireAction(&worker.start);
  trace.printf(2, "free text %d", 1);  // no writer prints free text
  EXPECT_EQ(first.str() + "|" + second.str(),
            "|Enabling state before action firing:\n  busy = 0\n  jobs = 4\n");

  trace.RemoveTraceFile(&two);
  trace.newBatch();
  EXPECT_EQ(first.str(), "##### NEW BATCH #####\n");
  EXPECT_EQ(second.str().find("NEW BATCH"), std::string::npos);

  // A writer whose file cannot be opened writes nowhere.
  TraceFileCorvax nowhere("/nonexistent-folder/trace.txt");
  nowhere.newBatch();
  EXPECT_TRUE(nowhere.getStream()->fail());
}

}  // namespace
