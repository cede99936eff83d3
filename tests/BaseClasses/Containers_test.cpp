// List<T> and FastSet: growth, duplicates, removal order, freezing.
#include <gtest/gtest.h>

#include "BaseClasses/FastSet.h"
#include "BaseClasses/List.h"

namespace {

TEST(List, GrowthAndDuplicateRefusal) {
  int items[41];
  List<int> list;
  EXPECT_EQ(list.getCapacity(), 10);
  for (int i = 0; i < 10; i++) list.append(&items[i]);
  EXPECT_EQ(list.getCapacity(), 10);
  list.append(&items[0]);  // full and already present: grows, stores nothing
  EXPECT_EQ(list.getCapacity(), 20);
  EXPECT_EQ(list.getNumItems(), 10);
  for (int i = 10; i < 21; i++) list.append(&items[i]);
  EXPECT_EQ(list.getCapacity(), 40);
  EXPECT_EQ(list.getNumItems(), 21);
  for (int i = 0; i < 21; i++) EXPECT_EQ(list[i], &items[i]);

  int* batch[] = {&items[30], &items[30], &items[31]};
  list.append(batch, 3);
  EXPECT_EQ(list.getNumItems(), 23);
  list.append(batch, 0);
  EXPECT_EQ(list.getNumItems(), 23);
}

TEST(List, AppendListReallocatesOnceAndSkipsDuplicates) {
  int a, b, c;
  List<int> first(2), second;
  first.append(&a);
  second.append(&a);
  second.append(&b);
  second.append(&c);
  first.append(&second);
  EXPECT_EQ(first.getNumItems(), 3);
  EXPECT_EQ(first.getCapacity(), 8);  // 2 * (1 + 3)
  EXPECT_EQ(first[1], &b);
  first.append(&first);  // with itself: nothing added
  EXPECT_EQ(first.getNumItems(), 3);
}

TEST(List, RemoveReplaceAndRemoveSet) {
  int a, b, c, d;
  List<int> list;
  list.append(&a);
  list.append(&b);
  list.append(&c);
  list.remove(&d);  // absent: nothing
  EXPECT_EQ(list.getNumItems(), 3);
  list.remove(&a);  // the last item takes the removed slot
  EXPECT_EQ(list[0], &c);
  EXPECT_EQ(list[1], &b);
  EXPECT_EQ(list.getNumItems(), 2);

  list.replaceItem(&d, &a);  // old absent: nothing
  EXPECT_FALSE(list.contains(&a));
  list.replaceItem(&c, &d);  // new absent: in place
  EXPECT_EQ(list[0], &d);
  list.replaceItem(&d, &b);  // both present: old removed, new kept once
  EXPECT_EQ(list.getNumItems(), 1);
  EXPECT_EQ(list[0], &b);

  List<int> many, drop;
  int x[5];
  for (auto& v : x) many.append(&v);
  drop.append(&x[1]);
  drop.append(&x[3]);
  many.removeSetOfItems(drop);
  ASSERT_EQ(many.getNumItems(), 3);
  EXPECT_EQ(many[0], &x[0]);
  EXPECT_EQ(many[1], &x[2]);
  EXPECT_EQ(many[2], &x[4]);

  List<int> single;
  single.append(&a);
  single.remove(&a);
  EXPECT_EQ(single.getNumItems(), 0);
}

TEST(List, PrintList) {
  List<int> list;
  testing::internal::CaptureStdout();
  list.printList();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "No items in the list\n");
  int a;
  list.append(&a);
  testing::internal::CaptureStdout();
  list.printList();
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("[0] ", 0), 0u);
  EXPECT_NE(out.find('\n'), std::string::npos);
}

TEST(FastSet, TreeThenFrozenVector) {
  const int constructedBefore = FastSet::number1;
  const int frozenBefore = FastSet::number2;
  FastSet set;
  EXPECT_TRUE(set.empty());
  EXPECT_TRUE(set.insert(5));
  EXPECT_TRUE(set.insert(3));
  EXPECT_FALSE(set.insert(5));
  EXPECT_TRUE(set.insert(9));
  EXPECT_TRUE(set.find(3));
  EXPECT_FALSE(set.find(4));
  set.NoMoreModifications();
  ASSERT_EQ(set.size(), 3);
  EXPECT_EQ(set[0], 3);
  EXPECT_EQ(set[1], 5);
  EXPECT_EQ(set[2], 9);
  EXPECT_EQ(FastSet::number1, constructedBefore + 1);
  EXPECT_EQ(FastSet::number2, frozenBefore + 1);
  set.clear();  // stays in vector form, empty
  EXPECT_EQ(set.size(), 0);

  FastSet none;
  none.NoMoreModifications();
  EXPECT_EQ(none.size(), 0);
}

TEST(FastSetDeathTest, WrongFormIsAnAssertion) {
  FastSet tree;
  EXPECT_DEATH(tree.size(), "is_vec_rep");
  FastSet frozen;
  frozen.NoMoreModifications();
  EXPECT_DEATH(frozen.insert(1), "!is_vec_rep");
}

}  // namespace
