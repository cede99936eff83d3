#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "Tracing/TraceFileContainer.h"
#include "Tracing/TraceFileCorvax.h"
#include "support/TestModels.h"

namespace {

// A file in the test scratch folder, unique to this process.
std::string tempPath(const std::string& name) {
  return testing::TempDir() + std::to_string(getpid()) + "_" + name;
}

std::string id(const BaseModelClass* model) { return std::to_string(model->getModelId()); }

TEST(PlainTraceTest, FiringDetailFollowsTheLevel) {
  workerSAN worker;
  const std::string w = id(&worker);
  std::ostringstream out;
  TraceFileCorvax trace(&out);
  EXPECT_EQ(trace.getTraceLevel(), 0);  // a writer on a stream starts silent
  trace.printFireAction(&worker.start, 1.0);
  trace.printPostFireAction(&worker.start, &worker.start);
  EXPECT_EQ(out.str(), "");

  trace.setTraceLevel(1);
  EXPECT_EQ(TraceLevel, 1);
  trace.printPreFireAction(&worker.serveGroup);  // level 2 only
  trace.printFireAction(&worker.serve_case1, 1.0 / 3);
  trace.printPostFireAction(&worker.serveGroup, &worker.serve_case1);
  EXPECT_EQ(out.str(), "#### Firing: 0.333333  Action: (" + w + ")worker->serve_case1\n" +
                           "#### After: (" + w + ")serveGroup->serve_case1\n");

  // Level 2 adds the enabling state of the group's printed case and the
  // affected state of the fired case: names with and without a prefix.
  out.str("");
  trace.setTraceLevel(2);
  EXPECT_EQ(TraceLevel, 2);
  worker.busy->setMark(1);
  trace.printPreFireAction(&worker.serveGroup);
  worker.serve_case1.Fire();
  trace.printPostFireAction(&worker.serveGroup, &worker.serve_case1);
  EXPECT_EQ(out.str(), "Enabling state before action firing:\n  busy = 1\n#### After: (" + w +
                           ")serveGroup->serve_case1\nAffected state after firing: \n"
                           "  busy = 0\n  served.0 = 1\n  served.1 = 0\n");
}

TEST(PlainTraceTest, ModelTreeIsWrittenDepthFirst) {
  TestModelParams params;
  params.replicas = 2;
  systemJoin system(params);
  system.jobs->setMark(5);
  system.pool->worker(1)->busy->setMark(1);
  system.served->at(1) = 3;

  std::ostringstream out;
  TraceFileCorvax trace(&out);
  trace.printHeader(static_cast<PVModel*>(nullptr));
  trace.printInitialState(&system);
  trace.newBatch();
  trace.printFooter();

  auto worker = [&](int i, int busy) {
    return "  Model: (" + id(system.pool->worker(i)) + ")worker\n    busy = " +
           std::to_string(busy) + "\n    jobs = 5\n    served.0 = 0\n    served.1 = 3\n";
  };
  const std::string stars = "**************************************\n";
  EXPECT_EQ(out.str(), stars + "\t\tTRACE\n" + stars + "Initial Model State:\n  Model: (" +
                           id(&system) + ")system\n  Model: (" + id(system.pool) + ")pool\n" +
                           worker(0, 0) + worker(1, 1) + "  Model: (" + id(system.controller) +
                           ")controller\n    jobs = 5\n    served.0 = 0\n    served.1 = 3\n"
                           "    audited = 0\n    budget = 2\n##### NEW BATCH #####\n");
}

TEST(PlainTraceTest, ContainerForwardsInOrderOfAddition) {
  workerSAN worker;
  // Without writers every call is accepted and nothing is written anywhere.
  {
    TraceFileContainer empty;
    testing::internal::CaptureStdout();
    empty.printHeader();
    empty.printInitialState();
    empty.printState();
    empty.printFireAction(&worker.start, 1.0);
    empty.printPreFireAction(&worker.start);
    empty.printPostFireAction(&worker.start, &worker.start);
    EXPECT_EQ(empty.printf(1, "%s %d", "text", 7), 6);
    empty.newBatch();
    empty.printFooter();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(empty.getNumTraceFiles(), 0);
  }

  std::ostringstream first, second;
  TraceFileCorvax one(&first), two(&second);
  one.setTraceLevel(1);
  two.setTraceLevel(2);
  TraceFileContainer container;
  container.AddTraceFile(&one);
  container.AddTraceFile(&two);
  container.AddTraceFile(&one);  // already there
  container.AddTraceFile(nullptr);
  EXPECT_EQ(container.getNumTraceFiles(), 2);

  container.printPreFireAction(&worker.start);
  container.printf(2, "free text %d", 1);  // no writer prints free text
  container.printStr(2, "more");
  EXPECT_EQ(first.str(), "");
  EXPECT_EQ(second.str(), "Enabling state before action firing:\n  busy = 0\n  jobs = 4\n");

  container.RemoveTraceFile(&two);
  container.newBatch();
  EXPECT_EQ(first.str(), "##### NEW BATCH #####\n");
  EXPECT_EQ(second.str().find("NEW BATCH"), std::string::npos);

  // A writer on a file name writes the file; one that cannot open its file
  // writes nowhere.
  const std::string path = tempPath("plain_trace.txt");
  {
    TraceFileCorvax onFile(path.c_str());
    onFile.newBatch();
    TraceFileCorvax nowhere("/nonexistent-folder/trace.txt");
    nowhere.newBatch();
    EXPECT_TRUE(nowhere.getStream()->fail());
  }
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "##### NEW BATCH #####\n");
  std::remove(path.c_str());
}

}  // namespace
