// The marking store: numbers in order of insertion, the same number for the
// same bytes, addresses that stay valid as the table and the blocks grow,
// markings of no size, and Clear.
#include "Solver/MarkingStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <vector>

namespace {

TEST(MarkingStore, NumbersMarkingsOnceInTheOrderTheyCome) {
  MarkingStore store(6, 4);  // 16 markings per block: many blocks
  std::mt19937 random(7);
  std::map<std::vector<unsigned char>, uint32_t> reference;
  std::vector<const unsigned char*> addresses;
  for (int k = 0; k < 100000; k++) {
    std::vector<unsigned char> marking(6);
    for (auto& byte : marking) byte = static_cast<unsigned char>(random() % 4);  // many repeats
    bool added = false;
    const uint32_t index = store.Insert(marking.data(), added);
    const auto [it, isNew] = reference.emplace(marking, static_cast<uint32_t>(reference.size()));
    EXPECT_EQ(added, isNew);
    EXPECT_EQ(index, it->second);
    if (isNew) addresses.push_back(store.Marking(index));
  }
  EXPECT_EQ(store.Size(), reference.size());
  EXPECT_EQ(store.Size(), 4096u);  // every 6-byte string of the values 0..3 came up
  for (const auto& [marking, index] : reference) {
    EXPECT_EQ(store.Find(marking.data()), index);
    EXPECT_EQ(store.Marking(index), addresses[index]);  // never moved
    EXPECT_EQ(std::memcmp(store.Marking(index), marking.data(), 6), 0);
  }
  const unsigned char absent[6] = {9, 9, 9, 9, 9, 9};
  EXPECT_EQ(store.Find(absent), MarkingStore::kNone);
  store.Clear();
  EXPECT_EQ(store.Size(), 0u);
  EXPECT_EQ(store.Find(reference.begin()->first.data()), MarkingStore::kNone);
  bool added = false;
  EXPECT_EQ(store.Insert(absent, added), 0u);
  EXPECT_TRUE(added);
}

TEST(MarkingStore, AModelWithoutStateHasOneMarking) {
  MarkingStore store(0);
  bool added = false;
  const unsigned char none[1] = {0};
  EXPECT_EQ(store.Insert(none, added), 0u);
  EXPECT_TRUE(added);
  EXPECT_EQ(store.Insert(none, added), 0u);
  EXPECT_FALSE(added);
  EXPECT_EQ(store.Size(), 1u);
}

}  // namespace
