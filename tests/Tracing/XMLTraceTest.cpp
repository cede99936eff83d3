#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "Tracing/TraceFileXML.h"
#include "support/TestModels.h"

namespace {

// A file in the test scratch folder, unique to this process.
std::string tempPath(const std::string& name) {
  return testing::TempDir() + std::to_string(getpid()) + "_" + name;
}

std::string p(const BaseModelClass* model) { return "p" + std::to_string(model->getModelId()); }
std::string a(const BaseActionClass* action) { return "a" + std::to_string(action->getId()); }

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Exit status of a real XML parser reading the file, without network access.
int xmllint(const std::string& path) {
  return std::system(("xmllint --noout --nonet '" + path + "'").c_str());
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
  return n;
}

// The text of the process declaration of model.
std::string process(const std::string& doc, const BaseModelClass* model) {
  size_t begin = doc.find("<Process id=\"" + p(model) + "\" name=\"" + model->getName() +
                          std::to_string(model->getModelId()) + "\" >");
  EXPECT_NE(begin, std::string::npos) << model->getName();
  return begin == std::string::npos ? "" : doc.substr(begin, doc.find("</Process>", begin) - begin);
}

TEST(XMLTraceTest, FirstBatchOfComposedModel) {
  TestModelParams params;
  params.replicas = 2;
  systemJoin system(params);
  workerSAN* worker = system.pool->worker(0);
  controllerSAN* controller = system.controller;
  const std::string path = tempPath("system_trace.xml");
  {
    TraceFileXML trace(path.c_str());
    trace.printDocumentHeader(&system);
    trace.newBatch();
    trace.printInitialState(&system);
    trace.printFireAction(&worker->start, 0.5);
    trace.printPostFireAction(&worker->start, worker->start.Fire());
    trace.printFireAction(&controller->auditGroup, 1.5);
    trace.printPostFireAction(&controller->auditGroup, controller->audit_case1.Fire());
    trace.newBatch();  // closes the document; nothing is written after it
    trace.printDocumentHeader(&system);
    trace.printInitialState(&system);
    trace.printPostFireAction(&worker->start, &worker->start);
    trace.newBatch();
  }
  const std::string doc = readFile(path);
  EXPECT_EQ(xmllint(path), 0) << doc;
  std::remove(path.c_str());

  // Processes: every model, each composer before its children.
  size_t at = 0;
  for (const BaseModelClass* model : {static_cast<BaseModelClass*>(&system),
                                      static_cast<BaseModelClass*>(system.pool),
                                      static_cast<BaseModelClass*>(worker),
                                      static_cast<BaseModelClass*>(system.pool->worker(1)),
                                      static_cast<BaseModelClass*>(controller)}) {
    size_t found = doc.find("<Process id=\"" + p(model) + "\"", at);
    ASSERT_NE(found, std::string::npos) << model->getName();
    at = found;
  }
  EXPECT_EQ(worker->getParentId(), system.pool->getModelId());
  // A shared name belongs to the highest composer that shares it.
  const std::string top = process(doc, &system);
  for (const char* name : {"jobs", "served.0", "served.1"})
    EXPECT_NE(top.find("<Var id=\"" + p(&system) + name + "\" name=\"" + name + "\" />"),
              std::string::npos);
  EXPECT_EQ(process(doc, system.pool).find("<Var"), std::string::npos);
  EXPECT_EQ(process(doc, worker), "<Process id=\"" + p(worker) + "\" name=\"worker" +
                                      std::to_string(worker->getModelId()) + "\" >\n<Var id=\"" +
                                      p(worker) + "busy\" name=\"busy\" />\n");
  // Local actions inside their process; the others as interactions only.
  const std::string audit = process(doc, controller);
  EXPECT_NE(audit.find("<Action id=\"" + a(&controller->audit_case1) + "\" name=\"audit_case1\" />"),
            std::string::npos);
  EXPECT_EQ(audit.find("audit_case2"), std::string::npos);
  EXPECT_EQ(count(doc, "<Action "), 1);
  EXPECT_EQ(count(doc, "<Undiraction "), 2 * 3 + 1);
  for (const BaseActionClass* action : {static_cast<BaseActionClass*>(&worker->start),
                                        static_cast<BaseActionClass*>(&controller->audit_case2)})
    EXPECT_NE(doc.find("<Undiraction id=\"" + a(action) + "\" name=\"" + action->getName() +
                       "\">\n<Touch>" + p(&system) + "</Touch>\n</Undiraction>\n"),
              std::string::npos);

  // The sequence: the initial state, then the two firings of the first batch.
  EXPECT_EQ(count(doc, "<S>"), 1);
  EXPECT_NE(doc.find("<S>\n<V id=\"" + p(&system) + "jobs\" val=\"4\" />\n"), std::string::npos);
  EXPECT_NE(doc.find("<A id=\"" + a(&worker->start) + "\" t=\"0.5\">\n  <V id=\"" + p(worker) +
                     "busy\"  val=\"1\" />\n  <V id=\"" + p(&system) + "jobs\"  val=\"3\" />\n</A>\n"),
            std::string::npos);
  EXPECT_NE(doc.find("<A id=\"" + a(&controller->audit_case1) + "\" t=\"1.5\">"), std::string::npos);
  EXPECT_EQ(count(doc, "<A "), 2);
  EXPECT_EQ(count(doc, "<?xml"), 1);
  EXPECT_EQ(doc.substr(doc.size() - 21), "</Sequence>\n</Trace>\n");
}

TEST(XMLTraceTest, EdgesOfTheDocument) {
  // Two batch boundaries right after the header: an empty sequence.
  workerSAN worker;
  worker.DefineName("odd \"<&>' name");
  const std::string path = tempPath("empty_trace.xml");
  {
    TraceFileXML trace(path.c_str());
    trace.printDocumentHeader(&worker);
    trace.newBatch();
    trace.printDocumentHeader(&worker);  // too late: writes nothing
    trace.newBatch();
  }
  const std::string doc = readFile(path);
  EXPECT_EQ(xmllint(path), 0) << doc;
  std::remove(path.c_str());
  EXPECT_NE(doc.find("<Sequence type=\"StateActionType\">\n</Sequence>\n</Trace>\n"),
            std::string::npos);
  EXPECT_EQ(count(doc, "<Process "), 1);
  EXPECT_EQ(count(doc, "<Action "), 3);  // nothing of a lone model is shared

  // A shared variable whose owner was never declared is written with
  // process id -1.
  TestModelParams params;
  params.replicas = 1;
  systemJoin system(params);
  std::ostringstream out;
  TraceFileXML partial(&out);
  partial.printDocumentHeader(system.controller);
  partial.newBatch();
  partial.printFireAction(&system.controller->audit_case2, 2.0);
  partial.printPostFireAction(&system.controller->audit_case2, &system.controller->audit_case2);
  EXPECT_NE(out.str().find("  <V id=\"p-1jobs\"  val=\"4\" />"), std::string::npos) << out.str();
  // A run that ends within its first batch: the footer closes the document.
  partial.printFooter();
  partial.newBatch();
  EXPECT_EQ(out.str().substr(out.str().size() - 21), "</Sequence>\n</Trace>\n");
  EXPECT_EQ(count(out.str(), "</Trace>"), 1);
  EXPECT_EQ(partial.getModelMap("audited", system.controller->getModelId()),
            system.controller->getModelId());
  EXPECT_EQ(partial.getModelMap("audited", system.controller->getModelId() - 1), -1);

  // A used name is refused only for ids at or above its first id.
  EXPECT_TRUE(partial.addUsedStateName("x", 5));
  EXPECT_FALSE(partial.addUsedStateName("x", 5));
  EXPECT_FALSE(partial.addUsedStateName("x", 9));
  EXPECT_TRUE(partial.addUsedStateName("x", 4));
}

}  // namespace
