#include "Executive/Heap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

TEST(Heap, TopFollowsKeyChanges) {
  Heap<int> heap(3);
  heap.Insert(3, 0);
  heap.Insert(1, 1);
  heap.Insert(2, 2);
  EXPECT_EQ(heap.TopId(), 1);
  EXPECT_EQ(heap.TopKey(), 1);
  heap.ChangeKey(1, 5);
  EXPECT_EQ(heap.TopId(), 2);
  EXPECT_EQ(heap.Key(1), 5);
  heap.ChangeKey(0, -1);  // lowering moves a key up
  EXPECT_EQ(heap.TopId(), 0);
}

TEST(Heap, EqualKeysKeepTheirPlace) {
  Heap<double> heap(2);
  heap.Insert(4.0, 7);
  heap.Insert(4.0, 3);
  EXPECT_EQ(heap.TopId(), 7);
  heap.ChangeKey(7, 4.0);
  EXPECT_EQ(heap.TopId(), 7);
}

TEST(Heap, GrowsFromAnyCapacityAndLargeIds) {
  for (int capacity : {0, 1}) {
    Heap<int> heap(capacity);
    for (int id = 0; id < 20; id++) heap.Insert(100 - id, id * 5);
    EXPECT_EQ(heap.Size(), 20);
    EXPECT_EQ(heap.TopId(), 95);
    EXPECT_EQ(heap.Key(50), 90);
  }
}

TEST(Heap, TopAlwaysHoldsTheSmallestKeyUnderRandomChanges) {
  std::mt19937 rng(7);
  const int n = 64;
  Heap<int> heap(n);
  std::vector<int> keys(n);
  for (int id = 0; id < n; id++) heap.Insert(keys[id] = rng() % 1000, id);
  for (int step = 0; step < 5000; step++) {
    int id = rng() % n;
    heap.ChangeKey(id, keys[id] = rng() % 1000);
    int smallest = *std::min_element(keys.begin(), keys.end());
    ASSERT_EQ(heap.TopKey(), smallest);
    ASSERT_EQ(keys[heap.TopId()], smallest);
    ASSERT_EQ(heap.Key(id), keys[id]);
  }
}

TEST(HeapDeathTest, TopOfEmptyHeapAsserts) {
  Heap<double> heap(4);
  EXPECT_DEATH(heap.TopId(), "size > 0");
}
