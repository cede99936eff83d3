#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "Tracing/TraceFileContainer.h"
#include "Tracing/TraceFileCorvax.h"
#include "Tracing/TraceFileXML.h"
#include "support/ResultReaders.h"
#include "support/TestRewards.h"

namespace {

std::string n(const BaseModelClass* model) { return std::to_string(model->getModelId()); }
std::string p(const BaseModelClass* model) { return "p" + n(model); }
std::string a(const BaseActionClass* action) { return "a" + std::to_string(action->getId()); }

// Reads the file, removes it, and checks it with a real XML parser that may
// not use the network.
std::string checkedDocument(const std::string& path) {
  const std::string text = results::readFile(path);
  EXPECT_EQ(std::system(("xmllint --noout --nonet '" + path + "'").c_str()), 0) << text;
  std::remove(path.c_str());
  return text;
}

bool has(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

int count(const std::string& text, const std::string& what) {
  int found = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) found++;
  return found;
}

// The declaration of the model's process, up to its closing tag.
std::string process(const std::string& doc, const BaseModelClass* model) {
  size_t begin = doc.find("<Process id=\"" + p(model) + "\" name=\"" + model->getName() + n(model));
  EXPECT_NE(begin, std::string::npos) << model->getName();
  return begin == std::string::npos ? "" : doc.substr(begin, doc.find("</Process>", begin) - begin);
}

TEST(XMLTraceTest, FirstBatchOfComposedModel) {
  TestModelParams params;
  params.replicas = 2;
  systemRewardModel rewards({ImpulseReward::threeWindows()}, false, params);
  systemJoin& system = *rewards.system();
  workerSAN* worker = system.pool->worker(0);
  controllerSAN* controller = system.controller;
  const std::string path = results::tempPath("system_trace.xml");
  std::ostringstream plainText;
  {
    // The executive's path: a container over the reward model and writers.
    TraceFileXML xml(path.c_str());
    TraceFileCorvax plain(&plainText);
    TraceFileContainer trace;
    trace.AddTraceFile(&xml);
    trace.AddTraceFile(&plain);
    trace.addPVModel(&rewards);
    trace.printHeader();
    trace.newBatch();
    trace.printInitialState();
    trace.printFireAction(&worker->start, 0.5);
    trace.printPostFireAction(&worker->start, worker->start.Fire());
    trace.printFireAction(&controller->auditGroup, 1.5);
    trace.printPostFireAction(&controller->auditGroup, controller->audit_case1.Fire());
    trace.printState();  // the plain trace only
    trace.newBatch();    // closes the document; nothing is written after it
    trace.printInitialState();
    trace.printPostFireAction(&worker->start, &worker->start);
    trace.newBatch();
    trace.printFooter();
  }

  // The plain trace writes the model tree depth first, each model with its
  // own variables.
  auto tree = [&](int busy0, int jobs, int audited, int budget) {
    std::string text =
        "  Model: (" + n(&system) + ")system\n  Model: (" + n(system.pool) + ")pool\n";
    for (int i = 0; i < 2; i++)
      text += "  Model: (" + n(system.pool->worker(i)) +
              ")worker\n    busy = " + std::to_string(i == 0 ? busy0 : 0) +
              "\n    jobs = " + std::to_string(jobs) + "\n    served.0 = 0\n    served.1 = 0\n";
    return text + "  Model: (" + n(controller) + ")controller\n    jobs = " + std::to_string(jobs) +
           "\n    served.0 = 0\n    served.1 = 0\n    audited = " + std::to_string(audited) +
           "\n    budget = " + std::to_string(budget) + "\n";
  };
  const std::string stars = std::string(38, '*') + "\n", batch = "##### NEW BATCH #####\n";
  EXPECT_EQ(plainText.str(), stars + "\t\tTRACE\n" + stars + batch + "Initial Model State:\n" +
                                 tree(0, 4, 0, 2) + "Model State:\n" + tree(1, 3, 1, 1) + batch +
                                 "Initial Model State:\n" + tree(1, 3, 1, 1) + batch);

  const std::string doc = checkedDocument(path);
  // Processes: every model, each composer before its children; a shared
  // name belongs to the highest composer that shares it.
  EXPECT_EQ(count(doc, "<Process "), 5);
  EXPECT_LT(doc.find(p(system.pool) + "\""), doc.find(p(worker) + "\""));
  EXPECT_EQ(worker->getParentId(), system.pool->getModelId());
  for (const char* name : {"jobs", "served.0", "served.1"})
    EXPECT_TRUE(has(process(doc, &system),
                    "<Var id=\"" + p(&system) + name + "\" name=\"" + name + "\" />"));
  EXPECT_EQ(process(doc, system.pool).find("<Var"), std::string::npos);
  EXPECT_EQ(process(doc, worker), "<Process id=\"" + p(worker) + "\" name=\"worker" + n(worker) +
                                      "\" >\n<Var id=\"" + p(worker) + "busy\" name=\"busy\" />\n");
  // Local actions inside their process; the others as interactions only.
  const std::string audit = process(doc, controller);
  EXPECT_TRUE(
      has(audit, "<Action id=\"" + a(&controller->audit_case1) + "\" name=\"audit_case1\" />"));
  EXPECT_EQ(audit.find("audit_case2"), std::string::npos);
  EXPECT_EQ(count(doc, "<Action "), 1);
  EXPECT_EQ(count(doc, "<Undiraction "), 2 * 3 + 1);
  for (const BaseActionClass* action : {static_cast<BaseActionClass*>(&worker->start),
                                        static_cast<BaseActionClass*>(&controller->audit_case2)})
    EXPECT_TRUE(has(doc, "<Undiraction id=\"" + a(action) + "\" name=\"" + action->getName() +
                             "\">\n<Touch>" + p(&system) + "</Touch>\n</Undiraction>\n"));

  // The sequence: the initial state and the two firings of the first batch.
  EXPECT_EQ(count(doc, "<S>"), 1);
  EXPECT_TRUE(has(doc, "<S>\n<V id=\"" + p(&system) + "jobs\" val=\"4\" />\n"));
  EXPECT_TRUE(has(doc, "<A id=\"" + a(&worker->start) + "\" t=\"0.5\">\n  <V id=\"" + p(worker) +
                           "busy\"  val=\"1\" />\n  <V id=\"" + p(&system) +
                           "jobs\"  val=\"3\" />\n</A>\n"));
  EXPECT_TRUE(has(doc, "<A id=\"" + a(&controller->audit_case1) + "\" t=\"1.5\">"));
  EXPECT_EQ(count(doc, "<A "), 2);
  EXPECT_TRUE(doc.ends_with("</A>\n</Sequence>\n</Trace>\n"));
}

TEST(XMLTraceTest, EdgesOfTheDocument) {
  // Two batch boundaries right after the header: an empty sequence. Names
  // are escaped.
  workerSAN worker;
  worker.DefineName("odd \"<&>' name");
  const std::string path = results::tempPath("empty_trace.xml");
  {
    TraceFileXML trace(path.c_str());
    trace.printDocumentHeader(&worker);
    trace.newBatch();
    trace.printDocumentHeader(&worker);  // too late: writes nothing
    trace.newBatch();
  }
  const std::string doc = checkedDocument(path);
  EXPECT_TRUE(doc.ends_with("<Sequence type=\"StateActionType\">\n</Sequence>\n</Trace>\n"));
  EXPECT_EQ(count(doc, "<Process "), 1);
  EXPECT_EQ(count(doc, "<Action "), 3);  // nothing of a lone model is shared

  // A shared variable whose owner was never declared has process id -1.
  systemJoin system;
  std::ostringstream out;
  TraceFileXML partial(&out);
  partial.printDocumentHeader(system.controller);
  partial.newBatch();
  partial.printPostFireAction(&system.controller->audit_case2, &system.controller->audit_case2);
  EXPECT_TRUE(has(out.str(), "  <V id=\"p-1jobs\"  val=\"4\" />")) << out.str();
  EXPECT_EQ(partial.getModelMap("audited", system.controller->getModelId() - 1), -1);
  // A run that ends within its first batch: the footer closes the document.
  partial.printFooter();
  partial.newBatch();
  EXPECT_TRUE(out.str().ends_with("</A>\n</Sequence>\n</Trace>\n"));

  // A used name is refused only for ids at or above its first id.
  EXPECT_TRUE(partial.addUsedStateName("x", 5));
  EXPECT_FALSE(partial.addUsedStateName("x", 9));
  EXPECT_TRUE(partial.addUsedStateName("x", 4));
}

}  // namespace
