#include <gtest/gtest.h>

#include <sstream>

#include "BaseClasses/PostselectGroup.h"
#include "BaseClasses/PreselectGroup.h"
#include "support/Capture.h"
#include "support/ControlledActivity.h"
#include "support/ScriptedGenerator.h"

namespace {

template <class Group>
void fill(Group& group, const char* name, std::initializer_list<BaseGroupClass*> members) {
  group.initialize(static_cast<int>(members.size()), name);
  for (BaseGroupClass* m : members) group.appendGroup(m);
}

class GroupTest : public ::testing::Test {
 protected:
  void SetUp() override { generator = ScriptedGenerator::install({0.5}); }
  void TearDown() override { ScriptedGenerator::restoreDefaultGenerator(); }
  // The member the group selects with the given uniforms.
  BaseActionClass* selected(BaseGroupClass& group, std::vector<double> uniforms) {
    generator->setScript(std::move(uniforms));
    EXPECT_TRUE(group.SelectAction());
    return group.getSelectedAction();
  }
  ScriptedGenerator* generator = nullptr;
};

TEST_F(GroupTest, WeightTableAndBinarySearchEdges) {
  ControlledActivity a("A", true, 1, 1.0), b("B", true, 1, 3.0);
  PostselectGroup g;
  fill(g, "g", {&a, &b});
  EXPECT_DOUBLE_EQ(g.CalculateWeightDistribution(), 4.0);
  ASSERT_EQ(g.getEntriesInUse(), 2);
  EXPECT_DOUBLE_EQ(g.getWeightEntry(0).CumulativeWeight, 1.0);
  EXPECT_DOUBLE_EQ(g.getWeightEntry(1).CumulativeWeight, 4.0);
  EXPECT_EQ(g.getWeightEntry(0).Member, &a);
  EXPECT_EQ(g.getWeightEntry(1).Member, &b);
  EXPECT_EQ(selected(g, {0.2}), &a);   // x = 0.8 < 1
  EXPECT_EQ(selected(g, {0.25}), &b);  // x = 1.0, not greater than 1.0: the next entry

  // Zero weights: nothing exceeds x = 0, so the last entry is taken; a
  // zero-weight member before a positive one is never chosen.
  a.weight = b.weight = 0.0;
  generator->setScript({0.0});
  EXPECT_DOUBLE_EQ(g.CalculateWeightDistribution(), 0.0);
  EXPECT_EQ(selected(g, {0.0}), &b);
  b.weight = 2.0;
  EXPECT_EQ(selected(g, {0.0}), &b);

  // Many entries: every threshold lands on the first entry above it.
  ControlledActivity c("C"), d("D"), e("E");
  a.weight = b.weight = 1.0;
  PostselectGroup five;
  fill(five, "five", {&a, &b, &c, &d, &e});
  const ControlledActivity* expected[] = {&a, &b, &c, &d, &e};
  for (int k = 0; k < 5; k++) EXPECT_EQ(selected(five, {k / 5.0}), expected[k]) << k;  // x = k
  EXPECT_EQ(selected(five, {0.999}), &e);
}

TEST_F(GroupTest, RanksAndDisabledMarks) {
  ControlledActivity a("A", true, 1), b("B", true, 2), c("C", true, 1, 5.0), d("D", false, 3);
  PostselectGroup g;
  fill(g, "g", {&d, &a, &b, &c});
  EXPECT_DOUBLE_EQ(g.CalculateWeightDistribution(), 1.0);
  EXPECT_EQ(g.getHighestRank(), 2);
  EXPECT_EQ(g.getEntriesInUse(), 1);
  EXPECT_EQ(g.getWeightEntry(0).Member, &b);
  // d is not enabled, c of lower rank; a was taken before the higher rank
  // appeared and keeps its mark.
  EXPECT_EQ((std::vector{d.Disabled, a.Disabled, b.Disabled, c.Disabled}),
            (std::vector{true, false, false, true}));
  for (double u : {0.0, 0.5, 0.99}) EXPECT_EQ(selected(g, {u}), &b);
  EXPECT_DOUBLE_EQ(g.Probability(&a), 0.0);
  EXPECT_DOUBLE_EQ(g.Probability(&b), 1.0);

  // Nothing enabled: -1, no selection, the previous one kept.
  a.isEnabled = b.isEnabled = c.isEnabled = false;
  EXPECT_DOUBLE_EQ(g.CalculateWeightDistribution(), -1.0);
  EXPECT_FALSE(g.SelectAction());
  EXPECT_EQ(g.getSelectedAction(), &b);
  EXPECT_TRUE(a.Disabled && b.Disabled && c.Disabled && d.Disabled);
}

TEST_F(GroupTest, ProbabilityThroughNestedGroups) {
  ControlledActivity c("C"), d("D"), e("E", true, 1, 3.0), outsider("X");
  PostselectGroup inner, outer;
  fill(inner, "inner", {&d, &e});
  fill(outer, "outer", {&c, &inner});  // the inner group weighs 1.0 at rank 1
  EXPECT_DOUBLE_EQ(outer.Probability(&c), 0.5);
  EXPECT_DOUBLE_EQ(outer.Probability(&e), 0.5 * 0.75);
  EXPECT_DOUBLE_EQ(outer.Probability(&d), 0.5 * 0.25);
  EXPECT_DOUBLE_EQ(outer.Probability(&outsider), 0.0);
  EXPECT_TRUE(outer.IsAMember(&inner) && !outer.IsAMember(&e));
  EXPECT_DOUBLE_EQ(c.Probability(&c), 1.0);
  EXPECT_DOUBLE_EQ(c.Probability(&d), 0.0);
  // Selection descends: u = 0.9 picks the inner group, whose own draw
  // (0.1, x = 0.4) picks D.
  EXPECT_EQ(selected(outer, {0.9, 0.1}), &d);
  EXPECT_EQ(generator->draws, 2);

  // Zero total weight is reported on standard output.
  c.weight = 0.0;
  PostselectGroup zero;
  fill(zero, "zero", {&c});
  EXPECT_EQ(StdoutOf([&] { zero.Probability(&c); }),
            "BaseGroupClass::Probability() TotalWeight is zero.\n");
}

TEST_F(GroupTest, PreselectChoosesBeforeTimingPostselectAtFiring) {
  ControlledActivity slow("slow", true, 1, 1.0, 10.0), fast("fast", true, 1, 1.0, 2.0);
  PreselectGroup pre;
  fill(pre, "preGroup", {&slow, &fast});
  generator->setScript({0.75});  // x = 1.5: "fast"
  EXPECT_TRUE(pre.Enabled());
  EXPECT_DOUBLE_EQ(pre.SampleDistribution(), 2.0);
  EXPECT_EQ((std::vector{pre.Rank(), pre.Rank()}), (std::vector{1, 1}));
  EXPECT_EQ(generator->draws, 1);  // the choice holds until the group fires
  EXPECT_EQ(pre.Fire(), &fast);
  EXPECT_EQ(fast.fireCount, 1);
  EXPECT_TRUE(pre.needsSelection());
  generator->setScript({0.1});
  EXPECT_DOUBLE_EQ(pre.SampleDistribution(), 10.0);  // new choice: "slow"
  EXPECT_EQ(generator->draws, 2);

  ControlledActivity first("first", true, 1, 1.0, 7.0), second("second", true, 1, 1.0, 3.0);
  PostselectGroup post;
  fill(post, "postGroup", {&first, &second});
  generator->draws = 0;
  EXPECT_DOUBLE_EQ(post.SampleDistribution(), 7.0);  // timed by member 0
  EXPECT_EQ(post.Rank(), 1);
  EXPECT_DOUBLE_EQ(post.Weight(), 1.0);
  first.reactivationPredicate = true;
  EXPECT_TRUE(post.ReactivationPredicate());
  EXPECT_EQ(generator->draws, 0);
  generator->setScript({0.9});
  EXPECT_EQ(post.Fire(), &second);
  EXPECT_EQ(generator->draws, 1);
  EXPECT_EQ(post.getSelectedAction(), nullptr);
  first.isEnabled = second.isEnabled = false;
  EXPECT_EQ(post.Fire(), nullptr);  // nothing enabled: nothing fires
  EXPECT_EQ(second.fireCount, 1);
}

TEST_F(GroupTest, MembersIdsAndPrinting) {
  ControlledActivity a("A"), b("B"), c("C"), d("D");
  PostselectGroup inner, g;
  fill(inner, "innerGroup", {&c, &d});
  fill(g, "g", {&a, &b});
  g.appendGroup(&inner);  // grows the full member arrays
  EXPECT_NE(
      StderrOf([&] {
        g.setMember(&c, 3);
      }).find("Array out of bounds error at Array out of bounds (BaseGroupClass::setMember()"),
      std::string::npos);
  EXPECT_EQ(g.getMember(2), &inner);
  g.setGroupId(4);
  EXPECT_EQ(std::pair(a.GroupId, d.GroupId), std::pair(4, 4));
  EXPECT_EQ(StdoutOf([&] { g.printGroup(); }),
            "** Members of Group g\n[0] A\n[1] B\n[2] innerGroup\n  [2.0] C\n  [2.1] D\n");
  g.replaceMember(&b, &c);
  EXPECT_EQ(g.getMember(1), &c);
  EXPECT_EQ(g.getPrintedAction(), &a);

  // An activity's enabling change is measured against its previous answer.
  a.Enabled();
  EXPECT_FALSE(a.EnablingChange());
  a.isEnabled = false;
  EXPECT_TRUE(a.EnablingChange());
  EXPECT_FALSE(a.EnablingChange());
  EXPECT_TRUE(a.SelectAction() == false && a.getSelectedAction() == &a);
}

}  // namespace
