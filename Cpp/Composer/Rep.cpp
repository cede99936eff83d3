#include "Composer/Rep.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>

#include "Common/ErrorHandler.h"

namespace {
int checkedReplicaCount(const char* name, int numReps) {
  if (numReps < 0) {
    std::cerr << "Number of reps for " << (name ? name : "") << " must be >= 0." << std::endl;
    std::exit(1);
  }
  return numReps;
}

unsigned char* allocateBytes(int n) {
  auto* bytes = new (std::nothrow) unsigned char[n > 0 ? n : 0]();
  if (!bytes) MemoryAllocationError();
  return bytes;
}
}  // namespace

Rep::Rep(const char* name, int numReps, int numShared, const char* const* sharedNames)
    : BaseComposerClass(name, checkedReplicaCount(name, numReps), numShared, sharedNames) {}

Rep::~Rep() {
  delete[] scratch_;
  delete[] replicaOrder_;
}

// Only the buffers that CurrentState uses are made: per-replica buffers
// would cost the whole state once more and are read by nothing.
void Rep::Setup(const char* childName) {
  replicaStateSize_ = NumChildren > 0 ? Children[0]->StateSize() : 0;
  GeneralSetup();
  for (int i = 0; i < NumChildren; i++) Children[i]->DefineName(childName);

  const int size = StateSize();
  delete[] scratch_;
  scratch_ = allocateBytes(size);
  std::memset(scratch_, 0xFF, size);
  delete[] replicaOrder_;
  replicaOrder_ = new (std::nothrow) int[NumChildren > 0 ? NumChildren : 0]();
  if (!replicaOrder_) MemoryAllocationError();
}

int Rep::StateSize() {
  if (NumChildren == 0) return 0;
  return NumChildren * Children[0]->StateSize() + SharedStateSize();
}

void Rep::SetState(void* buffer) {
  auto* cursor = static_cast<char*>(buffer);
  for (int i = 0; i < NumChildren; i++) {
    Children[i]->SetState(cursor);
    cursor += replicaStateSize_;
  }
  SetSharedState(cursor);
}

bool Rep::chunkGreater(int first, int second) const {
  return std::memcmp(scratch_ + first * replicaStateSize_, scratch_ + second * replicaStateSize_,
                     replicaStateSize_) > 0;
}

void Rep::orderReplicas() {
  const int n = NumChildren;
  int* order = replicaOrder_;
  for (int i = 0; i < n; i++) order[i] = i;
  int i = 0;
  while (i < n - 1 && !chunkGreater(order[i], order[i + 1])) i++;
  if (i >= n - 1) return;  // already ascending

  int from;
  if (i == 0)
    from = 0;
  else if (i + 1 == n - 1)
    from = n - 1;
  else
    from = chunkGreater(order[i], order[i + 2]) ? i : i + 1;
  const int moved = order[from];
  std::memmove(order + from, order + from + 1, (n - 1 - from) * sizeof(int));
  int to = 0;
  while (to < n - 1 && !chunkGreater(order[to], moved)) to++;
  std::memmove(order + to + 1, order + to, (n - 1 - to) * sizeof(int));
  order[to] = moved;
}

void Rep::CurrentState(void* new_location) {
  assert(new_location);
  const int size = NumChildren * replicaStateSize_;
  std::memset(scratch_, 0, size);
  for (int i = 0; i < NumChildren; i++) Children[i]->CurrentState(scratch_ + i * replicaStateSize_);
  orderReplicas();
  auto* out = static_cast<unsigned char*>(new_location);
  offset_ = 0;
  for (int i = 0; i < NumChildren; i++) {
    std::memcpy(out + offset_, scratch_ + replicaOrder_[i] * replicaStateSize_, replicaStateSize_);
    offset_ += replicaStateSize_;
  }
  CurrentSharedState(out + offset_);
}

void Rep::ConstructLocalState(State*& state) { state = new LocalState(SharedStateSize()); }
