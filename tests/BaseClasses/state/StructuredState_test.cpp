#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "BaseClasses/state/ArrayStateVariable.h"
#include "BaseClasses/state/Place.h"
#include "BaseClasses/state/StateMemory.h"
#include "StateTestSupport.h"

namespace {
// A leaf holding a double (kind 3).
class DoubleCell : public BaseStateVariableClass {
 public:
  explicit DoubleCell(double v) : BaseStateVariableClass("d", ""), value(v) {}
  int StateSize() override { return 8; }
  void SetState(void* src) override { readMemory2<double>(src, &value); }
  void CurrentState(void* dst) override { writeMemory<double>(value, dst); }
  void share(BaseStateVariableClass*) override {}
  double value;
};

// An array of n elements named "0", "1", ... with the array's name as prefix;
// scalar element i holds i + 1, records start at 0.
template <class E, ArrayType Kind>
class TestArray : public ArrayStateVariable<E> {
 public:
  TestArray(const char* name, int n) : ArrayStateVariable<E>(name, "", Kind, n) {
    for (int i = 0; i < n; i++) {
      const std::string id = std::to_string(i);
      if constexpr (Kind == RecordElement)
        this->appendElement(new E(id.c_str(), name));
      else
        this->appendElement(new E(id.c_str(), name, i + 1));
    }
  }
  ~TestArray() override { this->destroyElements(); }
};
using ShortArray = TestArray<ExtendedPlace<short>, ShortElement>;
using IntArray = TestArray<ExtendedPlace<int>, IntElement>;
using MsgArray = TestArray<TestMsg, RecordElement>;
}  // namespace

TEST(StructStateVariable, StateLayoutLeavesAndPrinting) {
  Place s("s", -3);
  ExtendedPlace<int> i("i", 70000);
  DoubleCell d(2.5);
  BaseStructStateVariable rec("rec", "");
  rec.appendField(&s, ShortElement);
  rec.appendField(&i, IntElement);
  rec.appendField(&d, DoubleElement);
  EXPECT_EQ(rec.StateSize(), 14);
  char buffer[14];
  rec.CurrentState(buffer);
  short sv;
  int iv;
  double dv;
  readMemory2(buffer + 0, &sv), readMemory2(buffer + 2, &iv), readMemory2(buffer + 6, &dv);
  EXPECT_TRUE(sv == -3 && iv == 70000 && dv == 2.5);
  writeMemory<int>(5, buffer + 2);
  rec.SetState(buffer);
  EXPECT_EQ(i.Mark(), 5);

  List<BaseStateVariableClass>* leaves = rec.getLeafNodes();
  EXPECT_TRUE(!rec.isLeafNode() && rec.getNumLeafNodes() == 3 && leaves->getItem(1) == &i);
  delete leaves;
  BaseStructStateVariable empty("empty", "");
  EXPECT_TRUE(empty.isLeafNode() && empty.getNumLeafNodes() == 1 && empty.StateSize() == 0);

  TestMsg msg("m", "arr");
  EXPECT_EQ(msg.StateSize(), 6);
  std::ostringstream out;
  msg.printState(&out);
  EXPECT_EQ(out.str(), "m = {\nstamp = 0\nspeed = 0\n}\n");
  EXPECT_DEATH(rec.appendField(&s, IntElement), "ArrayType");
}

TEST(StructStateVariable, SharesFieldByFieldAndMergesActionLists) {
  TestMsg r1("r1", ""), r2("r2", ""), r3("r3", "");
  BaseActionClass reads2, changes3;
  enableArc(&r2, &reads2);
  affectArc(&r3, &changes3);
  EXPECT_EQ(reads2.getEnablingVariables()->getNumItems(), 2);  // the leaves
  r2.stamp->Mark() = 12;

  r1.share(&r2);
  EXPECT_EQ(r1.stamp->Mark(), 12);
  EXPECT_EQ(r2.speed->getValuePointer(), r1.speed->getValuePointer());
  EXPECT_TRUE(r2.getShared() && !r2.getStored());
  EXPECT_TRUE(r2.getEnabledActions() == r1.getEnabledActions() &&
              r1.getEnabledActions()->contains(&reads2));
  EXPECT_EQ(reads2.getEnablingVariables()->getItem(0), r1.stamp);

  // r2 already uses r1's lists: sharing it again keeps one set of lists.
  r3.ShareWith(&r2);
  EXPECT_TRUE(r1.getAffectingActions() == r3.getAffectingActions() &&
              r2.getEnabledActions() == r3.getEnabledActions());
  EXPECT_TRUE(r1.getAffectingActions()->contains(&changes3) &&
              r1.getEnabledActions()->contains(&reads2));
  r3.stamp->Mark() = 99;
  EXPECT_EQ(r2.stamp->Mark(), 99);
}

TEST(StructStateVariableDeathTest, PartnerMustBeALongEnoughRecord) {
  TestMsg r("r", "");
  Place p("p");
  BaseStructStateVariable shorter("short", "");
  shorter.appendField(new ExtendedPlace<int>("stamp"), IntElement);
  EXPECT_DEATH(r.share(&p), "otherStruct");
  EXPECT_DEATH(r.share(&shorter), "otheri!=otherStruct->fields.end\\(\\)");
  delete shorter.getField(0);
}

TEST(ArrayStateVariable, SizesLeavesPrintingAndElementAccess) {
  IntArray ints("A", 5);
  EXPECT_EQ(std::tuple(ints.StateSize(), ints.Index(4)->Mark()), std::tuple(20, 5));
  char buffer[20];
  ints.CurrentState(buffer);
  int fourth;
  readMemory2(buffer + 12, &fourth);
  EXPECT_EQ(fourth, 4);
  EXPECT_EXIT(ints.Index(5), testing::ExitedWithCode(1),
              "^Runtime error: index out of bounds\\. A\\[0\\.\\.4\\] indexed with 5\n$");
  EXPECT_EXIT(ints.Index(-1), testing::ExitedWithCode(1), "A\\[0\\.\\.4\\] indexed with -1");

  ShortArray places("P", 3);
  BaseActionClass reader;
  enableArc(&places, &reader);
  EXPECT_EQ(std::tuple(places.getNumLeafNodes(), reader.getEnablingVariables()->getNumItems()),
            std::tuple(3, 3));
  EXPECT_TRUE(places[1]->getEnabledActions()->contains(&reader));
  ShortArray pair("A", 2);
  std::ostringstream out;
  pair.printState(&out);
  EXPECT_EQ(out.str(), "A = {\n0 = 1\n1 = 2\n}\n");

  MsgArray msgs("M", 3);
  EXPECT_EQ(msgs.StateSize(), 18);
  msgs[2]->speed->Mark() = 7;
  char records[18] = {};
  msgs.CurrentState(records);
  short speed;
  readMemory2(records + 12 + 4, &speed);
  EXPECT_EQ(speed, 7);

  ShortArray none("E", 0);
  List<BaseStateVariableClass>* leaves = none.getLeafNodes();
  EXPECT_TRUE(none.isLeafNode() && none.StateSize() == 0 && leaves->getNumItems() == 0);
  delete leaves;
  EXPECT_EXIT(none.Index(0), testing::ExitedWithCode(1), "E\\[0\\.\\.-1\\] indexed with 0");
}

TEST(ArrayStateVariable, SharesElementByElement) {
  ShortArray a("a", 2), b("b", 2), longer("l", 3);
  a.share(&b);
  EXPECT_TRUE(a[0]->getValuePointer() == b[0]->getValuePointer() &&
              a[0]->getValuePointer() != a[1]->getValuePointer());
  EXPECT_TRUE(b.getStored());  // the arrays themselves keep their flags
  b[1]->Mark() = 5;
  EXPECT_EQ(a[1]->Mark(), 5);
  a.ShareWith(&longer);  // the callers' elements take the partner's values
  EXPECT_EQ(b[1]->Mark(), 2);
  EXPECT_EQ(longer[1]->getValuePointer(), b[1]->getValuePointer());

  MsgArray m1("m1", 2), m2("m2", 2);
  m1.share(&m2);
  m2[1]->stamp->Mark() = 3;
  EXPECT_EQ(m1[1]->stamp->Mark(), 3);
}

TEST(ArrayStateVariableDeathTest, MisuseStops) {
  ShortArray a("a", 2), shorter("s", 1);
  Place p("p");
  EXPECT_DEATH(a.share(&shorter), "otheri!=otherArray->fields.end\\(\\)");
  EXPECT_DEATH(a.share(&p), "otherArray");
  EXPECT_DEATH(a.appendEnabledAction(nullptr), "TheAction");
  EXPECT_DEATH(a.appendAffectingAction(nullptr), "TheAction");
}
