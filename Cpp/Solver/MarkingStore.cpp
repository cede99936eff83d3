#include "Solver/MarkingStore.h"

#include <cstring>

#include "Solver/SolverError.h"

namespace {
constexpr std::size_t kInitialSlots = 1024;

uint64_t Mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}
}  // namespace

MarkingStore::MarkingStore(std::size_t markingSize, int blockBits)
    : markingSize_(markingSize),
      stride_(markingSize > 0 ? markingSize : 1),
      blockBits_(blockBits),
      blockMask_((1u << blockBits) - 1) {
  slots_.assign(kInitialSlots, 0);
}

uint64_t MarkingStore::Hash(const unsigned char* marking) const {
  uint64_t h = 0x9e3779b97f4a7c15ULL ^ markingSize_;
  std::size_t i = 0;
  for (; i + 8 <= markingSize_; i += 8) {
    uint64_t word;
    std::memcpy(&word, marking + i, 8);
    h = (h ^ word) * 0x9e3779b97f4a7c15ULL;
    h ^= h >> 29;
  }
  uint64_t tail = 0;
  for (std::size_t k = 0; i < markingSize_; i++, k += 8)
    tail |= static_cast<uint64_t>(marking[i]) << k;
  return Mix(h ^ tail);
}

std::size_t MarkingStore::Probe(const unsigned char* marking, uint32_t hashBits) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = hashBits & mask;
  for (;;) {
    const uint64_t entry = slots_[slot];
    if (entry == 0) return slot;
    if (static_cast<uint32_t>(entry >> 32) == hashBits) {
      const uint32_t index = static_cast<uint32_t>(entry) - 1;
      if (std::memcmp(Marking(index), marking, markingSize_) == 0) return slot;
    }
    slot = (slot + 1) & mask;
  }
}

uint32_t MarkingStore::Find(const unsigned char* marking) const {
  const uint64_t entry = slots_[Probe(marking, static_cast<uint32_t>(Hash(marking)))];
  return entry == 0 ? kNone : static_cast<uint32_t>(entry) - 1;
}

uint32_t MarkingStore::Insert(const unsigned char* marking, bool& added) {
  const uint32_t hashBits = static_cast<uint32_t>(Hash(marking));
  std::size_t slot = Probe(marking, hashBits);
  if (slots_[slot] != 0) {
    added = false;
    return static_cast<uint32_t>(slots_[slot]) - 1;
  }
  if (count_ >= kMaxMarkings)
    throw SolverError("more than " + std::to_string(kMaxMarkings) + " markings in one store");
  const uint32_t index = count_;
  if ((index >> blockBits_) >= blocks_.size())
    blocks_.emplace_back(new unsigned char[(std::size_t{1} << blockBits_) * stride_]);
  std::memcpy(blocks_[index >> blockBits_].get() + (index & blockMask_) * stride_, marking,
              markingSize_);
  count_++;
  slots_[slot] = (static_cast<uint64_t>(hashBits) << 32) | (static_cast<uint64_t>(index) + 1);
  if (2 * static_cast<std::size_t>(count_) > slots_.size()) Grow();
  added = true;
  return index;
}

void MarkingStore::Grow() {
  std::vector<uint64_t> old(2 * slots_.size(), 0);
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (uint64_t entry : old) {
    if (entry == 0) continue;
    std::size_t slot = static_cast<uint32_t>(entry >> 32) & mask;
    while (slots_[slot] != 0) slot = (slot + 1) & mask;
    slots_[slot] = entry;
  }
}

void MarkingStore::Clear() {
  if (blocks_.size() > 1) blocks_.resize(1);
  if (slots_.size() > kInitialSlots) {
    slots_.assign(kInitialSlots, 0);
    slots_.shrink_to_fit();
  } else {
    slots_.assign(slots_.size(), 0);
  }
  count_ = 0;
}
