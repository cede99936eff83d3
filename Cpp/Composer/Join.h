#ifndef CORVAX_JOIN_H
#define CORVAX_JOIN_H

#include "Composer/BaseComposerClass.h"

// Combines different submodels and makes named state variables common to
// several of them. State layout: each child's state in child order, then the
// stored shared variables.
class Join : public BaseComposerClass {
 public:
  class LocalState : public ComposerLocalState {
   public:
    using ComposerLocalState::ComposerLocalState;
    using ComposerLocalState::operator=;
  };

  Join(const char* name, int numChildren, int numShared, const char* const* sharedNames);
  ~Join() override;

  // Fixes the state layout; called once the shares are in place.
  void Setup();

  void CurrentState(void* buffer) override;
  void SetState(void* buffer) override;
  int StateSize() override;
  int GetModelType() override { return JoinModelType; }
  void ConstructLocalState(State*& state) override;

 private:
  int* childStateSizes_ = nullptr;
};

#endif
