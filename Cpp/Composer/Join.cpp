#include "Composer/Join.h"

#include <new>

#include "Common/ErrorHandler.h"

Join::Join(const char* name, int numChildren, int numShared, const char* const* sharedNames)
    : BaseComposerClass(name, numChildren, numShared, sharedNames) {}

Join::~Join() { delete[] ChildStateSizes; }

void Join::Setup() {
  GeneralSetup();
  delete[] ChildStateSizes;
  ChildStateSizes = new (std::nothrow) int[NumChildren > 0 ? NumChildren : 0]();
  if (!ChildStateSizes) MemoryAllocationError();
  for (int c = 0; c < NumChildren; c++) ChildStateSizes[c] = Children[c]->StateSize();
}

int Join::StateSize() {
  int bytes = 0;
  for (int c = 0; c < NumChildren; c++) bytes += Children[c]->StateSize();
  return bytes + SharedStateSize();
}

void Join::CurrentState(void* buffer) {
  auto* cursor = static_cast<char*>(buffer);
  for (int c = 0; c < NumChildren; c++) {
    Children[c]->CurrentState(cursor);
    cursor += ChildStateSizes[c];
  }
  CurrentSharedState(cursor);
}

void Join::SetState(void* buffer) {
  auto* cursor = static_cast<char*>(buffer);
  for (int c = 0; c < NumChildren; c++) {
    Children[c]->SetState(cursor);
    cursor += ChildStateSizes[c];
  }
  SetSharedState(cursor);
}

void Join::ConstructLocalState(State*& state) { state = new LocalState(SharedStateSize()); }
