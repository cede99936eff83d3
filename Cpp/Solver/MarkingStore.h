#ifndef CORVAX_MARKING_STORE_H
#define CORVAX_MARKING_STORE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The markings of a state space, each a byte string of one fixed size (the
// model's state buffer), numbered 0, 1, 2, ... in the order they were first
// added. The bytes live in blocks that never move, so a marking's address
// stays valid while others are added; an open-addressing table of 64-bit
// slots (the marking's number and 32 bits of its hash) finds a marking
// again. Reason for the hash bits in the slot: most probes of a full table
// end at a slot of another marking, and comparing the bits there saves a
// cache miss in the blocks. Cost: 8 bytes per slot, at most half the slots
// in use, so 16 to 32 bytes per marking besides the marking itself.
class MarkingStore {
 public:
  // blockBits: 2^blockBits markings per block (small for short-lived
  // stores, large for a whole state space).
  explicit MarkingStore(std::size_t markingSize, int blockBits = 16);

  // The number of `marking`, added if it is new (then `added` is true).
  uint32_t Insert(const unsigned char* marking, bool& added);
  // The number of `marking`, or kNone when it has not been added.
  uint32_t Find(const unsigned char* marking) const;
  const unsigned char* Marking(uint32_t index) const {
    return blocks_[index >> blockBits_].get() + (index & blockMask_) * stride_;
  }
  uint32_t Size() const { return count_; }
  std::size_t MarkingSize() const { return markingSize_; }
  // Forgets every marking; keeps the first block for the next ones.
  void Clear();

  static constexpr uint32_t kNone = UINT32_MAX;
  // The most markings a store holds (numbers fit 32 bits, kNone aside).
  static constexpr uint32_t kMaxMarkings = UINT32_MAX - 1;

 private:
  uint64_t Hash(const unsigned char* marking) const;
  // The slot holding `marking`, or the empty slot where it belongs.
  std::size_t Probe(const unsigned char* marking, uint32_t hashBits) const;
  void Grow();

  std::size_t markingSize_;
  // Room for at least one byte, so that a marking of size 0 (a model
  // without state) still has an address.
  std::size_t stride_;
  int blockBits_;
  uint32_t blockMask_;
  std::vector<std::unique_ptr<unsigned char[]>> blocks_;
  std::vector<uint64_t> slots_;  // (hash bits << 32) | (number + 1); 0 is empty
  uint32_t count_ = 0;
};

#endif
