#include "Executive/Heap.h"

#include <gtest/gtest.h>

TEST(Heap, TopFollowsKeyChangesAndGrowsFromAnyCapacity) {
  Heap<int> heap(3);
  heap.Insert(3, 0);
  heap.Insert(1, 1);
  heap.Insert(2, 2);
  EXPECT_EQ(heap.TopId(), 1);
  heap.ChangeKey(1, 5);
  EXPECT_EQ(heap.TopId(), 2);
  heap.ChangeKey(0, -1);
  EXPECT_EQ(heap.TopId(), 0);
  EXPECT_EQ(heap.Key(1), 5);

  Heap<double> grown(0);  // both arrays grow from nothing, ids beyond any capacity
  for (int id = 0; id < 20; id++) grown.Insert(100.0 - id, id * 5);
  EXPECT_EQ(grown.TopId(), 95);
  EXPECT_EQ(grown.Key(50), 90.0);
  EXPECT_DEATH(Heap<int>(4).TopId(), "size > 0");
}
