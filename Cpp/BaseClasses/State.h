#ifndef CORVAX_STATE_H
#define CORVAX_STATE_H

#include <cstdio>

class BaseModelClass;

// Snapshot of one model node's local state. Concrete snapshots keep the
// node's state as a flat byte buffer (SANModel::LocalState and the composers'
// local states).
class State {
 public:
  State() = default;
  State(const State&) = delete;

  virtual unsigned int hash() const;
  // Negative, zero or positive, like memcmp.
  virtual int compare(const State& other) const;
  virtual void print() const = 0;
  // Both return true on failure (a short transfer or a refused record).
  virtual bool fwriteState(FILE* file) const = 0;
  virtual bool freadState(FILE* file) = 0;
  virtual State& operator=(const State& other) = 0;
  virtual ~State() = default;
  // Writes this snapshot into the model's state.
  virtual void SetState(BaseModelClass* model) const = 0;
  // Takes the model's current state into this snapshot.
  virtual void GetState(BaseModelClass* model) = 0;
  virtual void* GetStatePtr() const = 0;
};

#endif
