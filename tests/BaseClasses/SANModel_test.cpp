#include "BaseClasses/SANModel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <tuple>
#include <vector>

#include "support/Capture.h"
#include "support/ControlledActivity.h"
#include "support/TestAtomicModels.h"

namespace {

std::vector<char> stateOf(BaseModelClass& model) {
  std::vector<char> buffer(model.StateSize());
  model.CurrentState(buffer.data());
  return buffer;
}

std::unique_ptr<SANModel::LocalState> localState(const std::vector<unsigned char>& bytes) {
  auto state = std::make_unique<SANModel::LocalState>(static_cast<int>(bytes.size()));
  std::memcpy(state->GetStatePtr(), bytes.data(), bytes.size());
  return state;
}

TEST(SANModelTest, StateBufferRoundTripAndEnumeration) {
  TestModelParams params;
  params.jobs = 5;
  workerSAN w(params), other(params);
  EXPECT_EQ(std::tuple(other.getModelId(), w.getParentId(), w.GetModelType(),
                       w.getNumStateVariables(), w.StateSize(), w.HasLocalState()),
            std::tuple(w.getModelId() + 1, w.getModelId(), 1, 3, 2 + 2 + 8, true));
  EXPECT_EQ(w.start.ParentModel, &w);
  EXPECT_EQ(w.serveGroup.ParentModel, &w);

  std::vector<char> saved = stateOf(w);
  short jobs;
  std::memcpy(&jobs, saved.data() + 2, 2);
  EXPECT_EQ(jobs, 5);
  w.start.Fire();
  w.serve_case2.Fire();
  EXPECT_EQ(std::pair(w.jobs->getMark(), w.served->at(1)), std::pair(short{5}, 1));
  EXPECT_FALSE(w.CompareState(saved.data(), stateOf(w).data()));
  w.SetState(saved.data());
  EXPECT_EQ(std::pair(w.busy->getMark(), w.served->at(1)), std::pair(short{0}, 0));
  EXPECT_TRUE(w.CompareState(saved.data(), stateOf(w).data()));

  List<BaseModelClass> models;
  w.listModels("worker", &models);
  w.listModels("nobody", &models);
  List<BaseActionClass> actions;
  w.listActions(&actions);
  List<BaseGroupClass> groups;
  w.listGroups(&groups);
  EXPECT_EQ(std::tuple(models.getNumItems(), actions.getNumItems(), groups.getNumItems()),
            std::tuple(1, 3, 2));
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

  std::ostringstream printed;
  model.printState(&printed);
  EXPECT_EQ(printed.str(), "Model: (" + std::to_string(model.getModelId()) + ")m\n  p = 1\n");
}

TEST(SANModelTest, LocalStateHashCompareCopyAndFileRecords) {
  EXPECT_EQ(localState({0xFF})->hash(), 0xFFFFFFFEu);
  EXPECT_EQ(localState({1, 1})->hash(), 5u);
  // Byte 256 is weighted by the first prime again.
  EXPECT_EQ(localState(std::vector<unsigned char>(300, 1))->hash(),
            localState(std::vector<unsigned char>(256, 1))->hash() +
                localState(std::vector<unsigned char>(44, 1))->hash());

  auto a = localState({1, 2}), b = localState({1, 3});
  EXPECT_EQ(std::pair(a->compare(*b), b->compare(*a)), std::pair(-1, 1));
  b = localState({1, 0x82});  // bytes compare unsigned
  EXPECT_EQ(a->compare(*b), -1);
  *a = *b;
  EXPECT_EQ(a->compare(*b), 0);
  EXPECT_DEATH(*a = *localState({1, 2, 3}), "size == _localS->size");
  EXPECT_EQ(StdoutOf([] { localState({0xFF})->print(); }), "   -1\n");

  // File records: the size, then the bytes.
  auto state = localState({7, 8, 9}), copy = localState({0, 0, 0}),
       other = localState({0x55, 0x55});
  FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(state->fwriteState(file));
  std::rewind(file);
  unsigned char raw[8] = {};
  EXPECT_EQ(std::fread(raw, 1, 8, file), 7u);
  EXPECT_EQ(std::memcmp(raw, "\x03\x00\x00\x00\x07\x08\x09", 7), 0);
  std::rewind(file);
  EXPECT_FALSE(copy->freadState(file));
  EXPECT_EQ(copy->compare(*state), 0);
  std::rewind(file);
  EXPECT_TRUE(other->freadState(file));  // a 3-byte record does not fit a 2-byte state
  EXPECT_EQ(other->compare(*localState({0x55, 0x55})), 0);
  EXPECT_TRUE(copy->freadState(file));  // nothing left after the length
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
