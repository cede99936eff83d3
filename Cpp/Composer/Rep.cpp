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
  delete[] Scratch;
  delete[] ReplicaOrder;
  delete[] ReplicaBuffer;
  for (int i = 0; ChildBuffers && i < NumChildren; i++) delete[] ChildBuffers[i];
  delete[] ChildBuffers;
  delete[] MarkedBuffer;
}

void Rep::Setup(const char* childName) {
  ReplicaStateSize = NumChildren > 0 ? Children[0]->StateSize() : 0;
  delete[] ReplicaBuffer;
  ReplicaBuffer = allocateBytes(ReplicaStateSize);
  GeneralSetup();

  for (int i = 0; ChildBuffers && i < NumChildren; i++) delete[] ChildBuffers[i];
  delete[] ChildBuffers;
  ChildBuffers = new (std::nothrow) unsigned char*[NumChildren]();
  if (!ChildBuffers) MemoryAllocationError();
  for (int i = 0; i < NumChildren; i++) {
    Children[i]->DefineName(childName);
    ChildBuffers[i] = allocateBytes(Children[i]->StateSize());
  }

  const int size = StateSize();
  delete[] Scratch;
  delete[] MarkedBuffer;
  Scratch = allocateBytes(size);
  MarkedBuffer = allocateBytes(size);
  std::memset(Scratch, 0xFF, size);
  std::memset(MarkedBuffer, 0xFF, size);
  if (size > 0) MarkedBuffer[0] = 0xEF;
  delete[] ReplicaOrder;
  ReplicaOrder = new (std::nothrow) int[NumChildren > 0 ? NumChildren : 0]();
  if (!ReplicaOrder) MemoryAllocationError();
}

int Rep::StateSize() {
  if (NumChildren == 0) return 0;
  return NumChildren * Children[0]->StateSize() + SharedStateSize();
}

void Rep::SetState(void* buffer) {
  auto* cursor = static_cast<char*>(buffer);
  for (int i = 0; i < NumChildren; i++) {
    Children[i]->SetState(cursor);
    cursor += ReplicaStateSize;
  }
  SetSharedState(cursor);
}

bool Rep::chunkGreater(int first, int second) const {
  return std::memcmp(Scratch + first * ReplicaStateSize, Scratch + second * ReplicaStateSize,
                     ReplicaStateSize) > 0;
}

void Rep::orderReplicas() {
  const int n = NumChildren;
  int* order = ReplicaOrder;
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
  const int size = NumChildren * ReplicaStateSize;
  std::memset(Scratch, 0, size);
  for (int i = 0; i < NumChildren; i++) Children[i]->CurrentState(Scratch + i * ReplicaStateSize);
  orderReplicas();
  auto* out = static_cast<unsigned char*>(new_location);
  Offset = 0;
  for (int i = 0; i < NumChildren; i++) {
    std::memcpy(out + Offset, Scratch + ReplicaOrder[i] * ReplicaStateSize, ReplicaStateSize);
    Offset += ReplicaStateSize;
  }
  CurrentSharedState(out + Offset);
}

void Rep::ConstructLocalState(State*& state) { state = new LocalState(SharedStateSize()); }
