#ifndef CORVAX_REP_H
#define CORVAX_REP_H

#include "Composer/BaseComposerClass.h"

// Identical copies (replicas) of one submodel with named state variables
// common to all of them. State layout: the replicas' states in canonical
// (sorted) order, so that states differing only by a permutation of the
// replicas give the same buffer, then the stored shared variables.
class Rep : public BaseComposerClass {
 public:
  class LocalState : public ComposerLocalState {
   public:
    using ComposerLocalState::ComposerLocalState;
    using ComposerLocalState::operator=;
  };

  // A negative replica count ends the program with status 1.
  Rep(const char* name, int numReps, int numShared, const char* const* sharedNames);
  ~Rep() override;

  // Names every replica childName and allocates the state buffers; called
  // once the shares with the first replica are in place.
  void Setup(const char* childName);

  // Allocates nothing: the scratch buffer and replica order are prepared by
  // Setup.
  void CurrentState(void* new_location) override;
  void SetState(void* buffer) override;
  int StateSize() override;
  int GetModelType() override { return RepModelType; }
  void ConstructLocalState(State*& state) override;

  int getReplicaStateSize() const { return replicaStateSize_; }

 private:
  // One repair step towards ascending replica order over ReplicaOrder.
  void orderReplicas();
  bool chunkGreater(int first, int second) const;

  int replicaStateSize_ = 0;
  unsigned char* scratch_ = nullptr;  // the replicas' states in child order
  int offset_ = 0;                    // running offset of the last copy
  int* replicaOrder_ = nullptr;       // chunk indices in output order
};

#endif
