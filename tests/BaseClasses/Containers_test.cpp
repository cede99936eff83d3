// List<T> and FastSet: growth, duplicates, removal order, freezing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <tuple>
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

// The list's operations as the plain array semantics define them, on a
// vector: the oracle for long lists, which search through their index.
struct ReferenceList {
  std::vector<int*> items;
  bool holds(int* item) const { return std::find(items.begin(), items.end(), item) != items.end(); }
  void append(int* item) {
    if (!holds(item)) items.push_back(item);
  }
  void remove(int* item) {
    auto slot = std::find(items.begin(), items.end(), item);
    if (slot == items.end()) return;
    *slot = items.back();
    items.pop_back();
  }
  void replace(int* oldItem, int* newItem) {
    auto oldSlot = std::find(items.begin(), items.end(), oldItem);
    if (oldSlot == items.end()) return;
    if (!holds(newItem))
      *oldSlot = newItem;
    else if (oldItem != newItem)
      remove(oldItem);
  }
};

TEST(List, LongListsKeepTheArraySemantics) {
  std::vector<int> pool(300);
  std::mt19937 random(7);
  auto any = [&] { return &pool[random() % pool.size()]; };
  List<int> list;
  ReferenceList reference;
  for (int step = 0; step < 20000; step++) {
    const unsigned what = random() % 100;
    if (what < 45) {
      int* item = any();
      list.append(item);
      reference.append(item);
    } else if (what < 70) {
      int* item = what < 60 && !reference.items.empty()
                      ? reference.items[random() % reference.items.size()]
                      : any();
      list.remove(item);
      reference.remove(item);
    } else if (what < 97) {
      int* oldItem = !reference.items.empty() && what < 90
                         ? reference.items[random() % reference.items.size()]
                         : any();
      int* newItem = any();
      list.replaceItem(oldItem, newItem);
      reference.replace(oldItem, newItem);
    } else if (what < 99) {
      List<int> drop;
      for (int k = 0; k < 40; k++) drop.append(any());
      list.removeSetOfItems(drop);
      std::erase_if(reference.items, [&](int* item) { return drop.contains(item); });
    } else if (step % 7 == 0) {
      list.clearList();
      reference.items.clear();
    }
    ASSERT_EQ(itemsOf(list), reference.items) << "step " << step;
    int* probe = any();
    ASSERT_EQ(list.contains(probe), reference.holds(probe)) << "step " << step;
  }
  List<int> copy(list);
  EXPECT_EQ(itemsOf(copy), reference.items);
  for (int* item : reference.items) EXPECT_TRUE(copy.contains(item));
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
  EXPECT_TRUE(tree.empty() && !tree.find(1) && !tree.contains(1));  // no tree yet
  tree.clear();
  EXPECT_DEATH(tree.size(), "is_vec_rep");
  EXPECT_DEATH(none.insert(1), "!is_vec_rep");

  // Sets frozen from one shared array read the same members from it.
  std::shared_ptr<int[]> members(new int[3]{2, 4, 8});
  FastSet first, second, empty;
  first.FreezeAs(members, 3);
  second.FreezeAs(members, 3);
  empty.FreezeAs(members, 0);
  EXPECT_EQ((std::vector{first[0], first[1], first[2]}), (std::vector{2, 4, 8}));
  EXPECT_EQ(&first[0], &second[0]);
  EXPECT_TRUE(second.contains(4) && !second.contains(5) && empty.size() == 0);
  EXPECT_EQ(FastSet::number2, frozenBefore + 5);
  first.clear();  // the other set keeps the array
  EXPECT_EQ(std::tuple(first.size(), second.size(), second[2]), std::tuple(0, 3, 8));
}

}  // namespace
