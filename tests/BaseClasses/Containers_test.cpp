// List<T> and FastSet: growth, duplicates, removal order, freezing.
#include <gtest/gtest.h>

#include <vector>

#include "BaseClasses/FastSet.h"
#include "BaseClasses/List.h"
#include "support/Capture.h"

namespace {

std::vector<int*> itemsOf(List<int>& list) {
  return {list.getList(), list.getList() + list.getNumItems()};
}

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
  std::vector<int*> expected;
  for (int i = 0; i < 21; i++) expected.push_back(&items[i]);
  EXPECT_EQ(itemsOf(list), expected);
  int* batch[] = {&items[30], &items[30], &items[31]};
  list.append(batch, 3);
  list.append(batch, 0);
  EXPECT_EQ(list.getNumItems(), 23);

  // Appending a list reallocates once and skips duplicates; with itself, nothing.
  int a, b, c;
  List<int> first(2), second;
  first.append(&a);
  for (int* item : {&a, &b, &c}) second.append(item);
  first.append(&second);
  first.append(&first);
  EXPECT_EQ(first.getCapacity(), 8);  // 2 * (1 + 3)
  EXPECT_EQ(itemsOf(first), (std::vector<int*>{&a, &b, &c}));
}

TEST(List, RemoveReplaceAndRemoveSet) {
  int a, b, c, d;
  List<int> list;
  for (int* item : {&a, &b, &c}) list.append(item);
  list.remove(&d);  // absent: nothing
  list.remove(&a);  // the last item takes the removed slot
  EXPECT_EQ(itemsOf(list), (std::vector<int*>{&c, &b}));
  list.replaceItem(&d, &a);  // old absent: nothing
  list.replaceItem(&c, &d);  // new absent: in place
  EXPECT_EQ(itemsOf(list), (std::vector<int*>{&d, &b}));
  list.replaceItem(&d, &b);  // both present: old removed, new kept once
  EXPECT_EQ(itemsOf(list), (std::vector<int*>{&b}));
  list.remove(&b);
  EXPECT_EQ(list.getNumItems(), 0);

  List<int> many, drop;
  int x[5];
  for (auto& v : x) many.append(&v);
  drop.append(&x[1]);
  drop.append(&x[3]);
  many.removeSetOfItems(drop);
  EXPECT_EQ(itemsOf(many), (std::vector<int*>{&x[0], &x[2], &x[4]}));

  EXPECT_EQ(StdoutOf([] { List<int>().printList(); }), "No items in the list\n");
}

TEST(FastSet, TreeThenFrozenVector) {
  const int constructedBefore = FastSet::number1, frozenBefore = FastSet::number2;
  FastSet set;
  EXPECT_TRUE(set.empty());
  EXPECT_TRUE(set.insert(5) && set.insert(3) && !set.insert(5) && set.insert(9));
  EXPECT_TRUE(set.find(3) && !set.find(4));
  set.NoMoreModifications();
  ASSERT_EQ(set.size(), 3);
  EXPECT_EQ((std::vector{set[0], set[1], set[2]}), (std::vector{3, 5, 9}));
  EXPECT_EQ(FastSet::number1, constructedBefore + 1);
  EXPECT_EQ(FastSet::number2, frozenBefore + 1);
  set.clear();  // stays in vector form, empty
  EXPECT_EQ(set.size(), 0);
  FastSet none;
  none.NoMoreModifications();
  EXPECT_EQ(none.size(), 0);

  FastSet tree;
  EXPECT_DEATH(tree.size(), "is_vec_rep");
  EXPECT_DEATH(none.insert(1), "!is_vec_rep");
}

}  // namespace
