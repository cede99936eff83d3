#ifndef CORVAX_POINTER_SLOT_INDEX_H
#define CORVAX_POINTER_SLOT_INDEX_H

#include <cstdint>
#include <vector>

// The slot of each pointer of an array of distinct pointers, found in
// constant time: an open-addressing hash table (linear probing) of slot
// numbers, keyed by the pointer each slot holds. The table stores no
// pointers of its own; every operation is given the array and reads the
// keys from it, so the owner must keep the table in step with each change
// of the array (Add after storing into a slot, Remove before a pointer
// leaves its slot, Move when a pointer changes slots).
//
// Cost: 4 bytes per table cell, between 2 and 4 cells per pointer.
template <class T>
class PointerSlotIndex {
 public:
  // Indexes slots 0 .. count-1 of items.
  void Build(T* const* items, int count) {
    Clear();
    Reserve(count);
    for (int slot = 0; slot < count; slot++) Add(items, slot);
  }
  void Clear() {
    cells_.clear();
    used_ = 0;
  }
  // The slot that holds item, or -1.
  int Find(T* const* items, const T* item) const {
    if (cells_.empty()) return -1;
    for (std::size_t cell = Home(item);; cell = Next(cell)) {
      const int32_t slot = cells_[cell];
      if (slot == kEmpty) return -1;
      if (items[slot] == item) return slot;
    }
  }
  // Records the pointer now stored in slot (not yet indexed).
  void Add(T* const* items, int slot) {
    if (2 * (used_ + 1) > cells_.size()) Grow(items);
    std::size_t cell = Home(items[slot]);
    while (cells_[cell] != kEmpty) cell = Next(cell);
    cells_[cell] = slot;
    used_++;
  }
  // Forgets item, which is still stored in its slot.
  void Remove(T* const* items, const T* item) {
    std::size_t cell = CellOf(items, item);
    if (cell == kNone) return;
    // Backward-shift deletion: moves up the entries of the probe run that
    // would otherwise be cut off from their home cell.
    for (std::size_t next = Next(cell);; next = Next(next)) {
      const int32_t slot = cells_[next];
      if (slot == kEmpty) break;
      const std::size_t home = Home(items[slot]);
      const bool stays =
          cell <= next ? (cell < home && home <= next) : (cell < home || home <= next);
      if (stays) continue;
      cells_[cell] = slot;
      cell = next;
    }
    cells_[cell] = kEmpty;
    used_--;
  }
  // item, still stored in its slot, is about to be stored in slot to.
  void Move(T* const* items, const T* item, int to) {
    const std::size_t cell = CellOf(items, item);
    if (cell != kNone) cells_[cell] = to;
  }

 private:
  static constexpr int32_t kEmpty = -1;
  static constexpr std::size_t kNone = ~std::size_t{0};

  std::size_t Home(const T* item) const {
    // Fibonacci hashing of the pointer; its low bits are alignment.
    const uint64_t key = reinterpret_cast<uintptr_t>(item) >> 3;
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift_);
  }
  std::size_t Next(std::size_t cell) const { return (cell + 1) & (cells_.size() - 1); }
  std::size_t CellOf(T* const* items, const T* item) const {
    if (cells_.empty()) return kNone;
    for (std::size_t cell = Home(item);; cell = Next(cell)) {
      const int32_t slot = cells_[cell];
      if (slot == kEmpty) return kNone;
      if (items[slot] == item) return cell;
    }
  }
  void Reserve(int count) {
    std::size_t size = 16;
    int bits = 4;
    while (size < 2 * static_cast<std::size_t>(count)) {
      size *= 2;
      bits++;
    }
    if (size <= cells_.size()) return;
    cells_.assign(size, kEmpty);
    shift_ = 64 - bits;
    used_ = 0;
  }
  void Grow(T* const* items) {
    std::vector<int32_t> old;
    old.swap(cells_);
    Reserve(static_cast<int>(old.empty() ? 8 : old.size()));
    for (int32_t slot : old)
      if (slot != kEmpty) Add(items, slot);
  }

  std::vector<int32_t> cells_;
  std::size_t used_ = 0;
  int shift_ = 60;
};

#endif
