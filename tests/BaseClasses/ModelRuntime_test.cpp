// The runtime of generated models: element tables and array views against
// the arrays' own element access, the output arcs' overflow stop, the
// checks of model-file values, and the group of an activity's cases
// against what a plain PostselectGroup of the same cases answers.
#include "BaseClasses/ModelRuntime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "support/ControlledActivity.h"

namespace {

// An array of int places, as a generated array type builds it.
class Ints : public ArrayStateVariable<ExtendedPlace<int>> {
 public:
  Ints(const char* name, int n) : ArrayStateVariable(name, "", IntElement, n) {
    for (int i = 0; i < n; i++)
      appendElement(new ExtendedPlace<int>(std::to_string(i).c_str(), name, 10 * i));
  }
  ~Ints() override { destroyElements(); }
};

// A view of one element, as a generated record view reads its fields.
struct Tenfold {
  int& value;
  static Tenfold of(ExtendedPlace<int>* element) { return {element->Mark()}; }
  static Tenfold of(const Tenfold& view) { return {view.value}; }
};

TEST(ModelRuntime, TablesAndViewsReachTheElementsTheArrayHolds) {
  Ints array("a", 5);
  san::CellTable<int> cells;
  san::ViewTable<Tenfold> views;
  cells.fill(&array);
  views.fill(&array);
  ASSERT_EQ(cells.size(), 5);
  ASSERT_EQ(views.size(), 5);
  // recent() answers as at() whatever the sequence of indices, repeats and
  // changes alike.
  for (int i : {0, 0, 3, 3, 3, 1, 4, 4, 0, 2}) {
    EXPECT_EQ(cells.at(i), &array.Index(i)->Mark()) << i;
    EXPECT_EQ(cells.recent(i), &array.Index(i)->Mark()) << i;
    EXPECT_EQ(&views.recent(i).value, &array.Index(i)->Mark()) << i;
  }
  // Views with and without a table read and write the same cells.
  const san::ScalarArrayView<Ints, int, true> tabled(&array, &cells);
  const san::ScalarArrayView<Ints, const int> plain(&array);
  tabled[2] = 77;
  EXPECT_EQ(plain[2], 77);
  EXPECT_EQ(array.Index(2)->Mark(), 77);
  EXPECT_EQ(tabled.size(), 5);
  EXPECT_EQ(plain.size(), 5);
  const san::RecordArrayView<Ints, Tenfold, Tenfold, true> records(&array, &views);
  records[4].value = -3;
  EXPECT_EQ(plain[4], -3);

  // An index outside the array ends the run with the array's own message.
  EXPECT_DEATH(cells.at(5), "index out of bounds. a\\[0..4\\] indexed with 5");
  EXPECT_DEATH(cells.recent(-1), "index out of bounds. a\\[0..4\\] indexed with -1");
  EXPECT_DEATH(views.at(7), "indexed with 7");
}

TEST(ModelRuntime, TokensStopAtTheLargestMarking) {
  short marking = 32766;
  san::addToken(&marking, "queue");
  EXPECT_EQ(marking, 32767);
  EXPECT_EXIT(san::addToken(&marking, "queue"), ::testing::ExitedWithCode(1),
              "ERROR: place queue would hold more than 32767");
  int count = -1;
  san::addToken(&count, "count");
  EXPECT_EQ(count, 0);
}

TEST(ModelRuntime, ModelFileValuesThatDoNotFitStopTheBuild) {
  // Values that fit convert as a conversion does (fractions cut off).
  EXPECT_EQ(san::initialValue<short>(32767, "p"), 32767);
  EXPECT_EQ(san::initialValue<short>(-32768.9, "p"), -32768);
  EXPECT_EQ(san::initialValue<int>(2.75, "p"), 2);
  EXPECT_EQ(san::initialValue<short>(true, "p"), 1);
  EXPECT_EQ(san::initialValue<int>(4000000000u - 3999999999u, "p"), 1);
  EXPECT_EQ(san::initialValue<double>(1e300, "p"), 1e300);
  EXPECT_EQ(san::arrayLength(0, "a"), 0);
  EXPECT_EQ(san::arrayLength(2147483647LL, "a"), 2147483647);

  EXPECT_EXIT(san::initialValue<short>(99999999, "'p' (m.yaml:3)"), ::testing::ExitedWithCode(1),
              "ERROR: the value 99999999 of 'p' \\(m.yaml:3\\) lies outside -32768 to 32767");
  EXPECT_EXIT(san::initialValue<int>(std::nan(""), "'q'"), ::testing::ExitedWithCode(1),
              "the value nan of 'q' lies outside");
  EXPECT_EXIT(san::initialValue<int>(3000000000u, "'q'"), ::testing::ExitedWithCode(1),
              "3000000000");
  EXPECT_EXIT(san::arrayLength(-5, "array type 'a'"), ::testing::ExitedWithCode(1),
              "the value -5 of array type 'a' lies outside 0 to 2147483647");
  EXPECT_EXIT(san::arrayLength(1e10, "array type 'a'"), ::testing::ExitedWithCode(1),
              "lies outside 0 to 2147483647");
}

// A case of a generated activity: the enabling it records when another
// case evaluated it.
class Case : public ControlledActivity {
 public:
  using ControlledActivity::ControlledActivity;
  bool lastEnabling() const { return enabled; }
  bool takeEnabling(bool value) {
    const bool changed = value != enabled;
    previouslyEnabled = enabled;
    enabled = value;
    return changed;
  }
  bool previous() const { return previouslyEnabled; }
};

TEST(ModelRuntime, CaseGroupAnswersAsAPostselectGroupOfItsCases) {
  Case first("first", false, 1, 1.0, 2.5), second("second", false, 1, 3.0, 9.0);
  san::CaseGroup<Case, 2> group({&first, &second});
  group.initialize(2, "group");
  group.appendGroup(&first);
  group.appendGroup(&second);
  PostselectGroup plain;
  plain.initialize(2, "plain");
  plain.appendGroup(&first);
  plain.appendGroup(&second);

  // An activity that is not generated has no place in a model file.
  EXPECT_STREQ(first.ModelFilePosition(), "");

  // The first case's enabling is every case's: the second is not asked.
  first.isEnabled = true;
  second.isEnabled = false;
  EXPECT_TRUE(group.EnablingChange());
  EXPECT_TRUE(second.lastEnabling());
  EXPECT_FALSE(second.previous());
  EXPECT_EQ(second.enabledCalls, 0);
  EXPECT_FALSE(group.EnablingChange());
  EXPECT_TRUE(group.Enabled());
  // Timing and reactivation come from the first case, as in a PostselectGroup.
  EXPECT_EQ(group.SampleDistribution(), plain.SampleDistribution());
  EXPECT_EQ(group.SampleDistribution(), 2.5);
  first.reactivationPredicate = true;
  EXPECT_EQ(group.ReactivationPredicate(), plain.ReactivationPredicate());

  // Members that are not the cases: the group answers as a PostselectGroup.
  Case third("third", true, 1, 1.0, 4.0);
  group.setMember(&third, 0);
  first.isEnabled = false;
  EXPECT_TRUE(group.Enabled());  // third is enabled
  EXPECT_EQ(group.SampleDistribution(), 4.0);
}

}  // namespace
