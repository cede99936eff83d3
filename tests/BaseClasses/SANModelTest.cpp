#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "BaseClasses/SANModel.h"
#include "support/ControlledActivity.h"
#include "support/TestModels.h"

namespace {

std::vector<char> stateOf(BaseModelClass& model) {
  std::vector<char> buffer(model.StateSize());
  model.CurrentState(buffer.data());
  return buffer;
}

TEST(SANModelTest, StateBufferRoundTripAndEnumeration) {
  TestModelParams params;
  params.jobs = 5;
  workerSAN w(params);
  workerSAN other(params);
  EXPECT_EQ(other.getModelId(), w.getModelId() + 1);
  EXPECT_EQ(w.getParentId(), w.getModelId());
  EXPECT_EQ(w.GetModelType(), 1);
  EXPECT_EQ(w.getNumStateVariables(), 3);
  EXPECT_EQ(w.StateSize(), 2 + 2 + 8);
  EXPECT_TRUE(w.HasLocalState());
  EXPECT_EQ(w.start.ParentModel, &w);
  EXPECT_EQ(w.serveGroup.ParentModel, &w);

  std::vector<char> saved = stateOf(w);
  short jobs;
  std::memcpy(&jobs, saved.data() + 2, 2);
  EXPECT_EQ(jobs, 5);
  w.start.Fire();
  w.serve_case2.Fire();
  EXPECT_EQ(w.jobs->getMark(), 5);
  EXPECT_EQ(w.served->at(1), 1);
  std::vector<char> changed = stateOf(w);
  EXPECT_FALSE(w.CompareState(saved.data(), changed.data()));
  w.SetState(saved.data());
  EXPECT_EQ(w.served->at(1), 0);
  EXPECT_EQ(w.busy->getMark(), 0);
  EXPECT_TRUE(w.CompareState(saved.data(), stateOf(w).data()));

  List<BaseModelClass> models;
  w.listModels("worker", &models);
  w.listModels("nobody", &models);
  EXPECT_EQ(models.getNumItems(), 1);
  List<BaseActionClass> actions;
  w.listActions(&actions);
  EXPECT_EQ(actions.getNumItems(), 3);
  List<BaseGroupClass> groups;
  w.listGroups(&groups);
  ASSERT_EQ(groups.getNumItems(), 2);
  EXPECT_EQ(groups[1], &w.serveGroup);
  List<BaseStateVariableClass> variables;
  List<BaseModelClass> owners;
  w.listSVs("worker", "jobs", &variables, &owners);
  w.listSVs("other", "jobs", &variables, &owners);
  ASSERT_EQ(variables.getNumItems(), 1);
  EXPECT_EQ(variables[0], w.jobs);
  EXPECT_EQ(owners[0], &w);
  EXPECT_EQ(w.GetLocalStateVariables(nullptr)[2], w.served);
  Place* wrong[] = {w.jobs, w.busy};
  EXPECT_TRUE(checkReadOnlyPlaces(&w, nullptr));
  EXPECT_FALSE(checkLocalSVs(&w, wrong));
  Activity* order[] = {&w.start, &w.serve_case1, &w.serve_case2};
  EXPECT_TRUE(checkLocalActions(&w, order));
  EXPECT_DEATH(w.GetChild(0), "false");

  // Without shares every action is local, pushed at the front in array order.
  ActionSList global, local;
  w.GetGlobalActions(global);
  w.GetLocalActions(local);
  EXPECT_TRUE(global.empty());
  EXPECT_EQ(local, (ActionSList{&w.serve_case2, &w.serve_case1, &w.start}));
}

TEST(SANModelTest, ListActionsByNameTakesTheFirst) {
  ControlledActivity x1("x"), x2("x"), y("y");
  Place p("p", 1);
  BaseStateVariableClass* places[] = {&p};
  Activity* actions[] = {&x1, &x2, &y};
  BaseGroupClass* groups[] = {&x1, &x2, &y};
  SANModel model("m", 1, places, 0, nullptr, 3, actions, 3, groups);
  Place* same[] = {&p};
  EXPECT_TRUE(checkLocalSVs(&model, same));
  List<BaseActionClass> found;
  model.listActions("x", &found);
  ASSERT_EQ(found.getNumItems(), 1);
  EXPECT_EQ(found[0], &x1);

  testing::internal::CaptureStdout();
  model.PrintSANModelInfo();
  const std::string info = testing::internal::GetCapturedStdout();
  EXPECT_EQ(info.rfind("SANModelInfo\nNumber of Actions = 3, Number of Groups = 3, Number of State "
                       "Variables = 1\nActionName = x\nGroup Id = 0\nDistributionType = 2\n",
                       0),
            0u);
  EXPECT_NE(info.find("\n\nGroup Name = x \nGroup Name = x \nGroup Name = y \nPlace Name = p\n"),
            std::string::npos);
  std::ostringstream printed;
  model.printState(&printed);
  EXPECT_EQ(printed.str(), "Model: (" + std::to_string(model.getModelId()) + ")m\n  p = 1\n");
}

TEST(SANModelTest, LocalStateHashCompareAndCopy) {
  SANModel::LocalState one(1), pair(2), a(2), b(2), three(3);
  static_cast<unsigned char*>(one.GetStatePtr())[0] = 0xFF;
  EXPECT_EQ(one.hash(), 0xFFFFFFFEu);
  std::memcpy(pair.GetStatePtr(), "\x01\x01", 2);
  EXPECT_EQ(pair.hash(), 5u);
  std::vector<unsigned char> big(300, 1);
  SANModel::LocalState wide(300);
  std::memcpy(wide.GetStatePtr(), big.data(), 300);
  unsigned int expected = 0;  // byte 256 is weighted by the first prime again
  {
    SANModel::LocalState first256(256);
    std::memcpy(first256.GetStatePtr(), big.data(), 256);
    SANModel::LocalState rest(44);
    std::memcpy(rest.GetStatePtr(), big.data(), 44);
    expected = first256.hash() + rest.hash();
  }
  EXPECT_EQ(wide.hash(), expected);

  std::memcpy(a.GetStatePtr(), "\x01\x02", 2);
  std::memcpy(b.GetStatePtr(), "\x01\x03", 2);
  EXPECT_EQ(a.compare(b), -1);
  EXPECT_EQ(b.compare(a), 1);
  std::memcpy(b.GetStatePtr(), "\x01\x82", 2);  // bytes compare unsigned
  EXPECT_EQ(a.compare(b), -1);
  a = b;
  EXPECT_EQ(a.compare(b), 0);
  EXPECT_DEATH(a = three, "size == _localS->size");

  testing::internal::CaptureStdout();
  one.print();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "   -1\n");
}

TEST(SANModelTest, LocalStateFileRecords) {
  SANModel::LocalState state(3), copy(3), other(2);
  std::memcpy(state.GetStatePtr(), "\x07\x08\x09", 3);
  std::memcpy(other.GetStatePtr(), "\x55\x55", 2);
  FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(state.fwriteState(file));
  std::rewind(file);
  unsigned char raw[8] = {};
  EXPECT_EQ(std::fread(raw, 1, 8, file), 7u);
  EXPECT_EQ(std::memcmp(raw, "\x03\x00\x00\x00\x07\x08\x09", 7), 0);

  std::rewind(file);
  EXPECT_FALSE(copy.freadState(file));
  EXPECT_EQ(copy.compare(state), 0);
  std::rewind(file);
  EXPECT_TRUE(other.freadState(file));  // a 3-byte record does not fit a 2-byte state
  EXPECT_EQ(std::memcmp(other.GetStatePtr(), "\x55\x55", 2), 0);
  EXPECT_EQ(other.getSize(), 2);
  EXPECT_TRUE(copy.freadState(file));  // nothing left after the length
  std::fclose(file);

  // A model's own snapshot.
  workerSAN w;
  State* snapshot = nullptr;
  w.ConstructLocalState(snapshot);
  w.GetLocalState(snapshot);
  w.busy->setMark(9);
  w.SetLocalState(snapshot);
  EXPECT_EQ(w.busy->getMark(), 0);
  w.DestructLocalState(snapshot);
}

}  // namespace
