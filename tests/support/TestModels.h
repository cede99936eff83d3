#ifndef MB_TEST_MODELS_H
#define MB_TEST_MODELS_H

// The atomic test models of TestAtomicModels.h composed, the way the model
// generator writes composed models, for tests of everything that stands on
// composed models (composer, event list, connectivity, rewards, tracing,
// simulation loops).
//
//   poolRep        Rep "pool" of `replicas` workers sharing "jobs" and "served";
//                  each replica is named "worker".
//   systemJoin     Join "system" of the pool and the controller sharing the
//                  place "jobs" and the array "served".
//
// Group ids of systemJoin (child order): worker k has "start" = 2k and
// "serveGroup" = 2k+1 (its cases carry the same id); "auditGroup" = 2*replicas.
// Action order: per worker start, serve_case1, serve_case2; then audit_case1,
// audit_case2.

#include "Composer/Join.h"
#include "Composer/Rep.h"
#include "support/TestAtomicModels.h"

class poolRep : public Rep {
 public:
  static const char* const SharedNames[2];  // "jobs", "served"
  explicit poolRep(const TestModelParams& params = {});
  ~poolRep() override;

  workerSAN* worker(int i) const { return static_cast<workerSAN*>(Children[i]); }

  Place* jobs = nullptr;
  ServedArray* served = nullptr;
};

class systemJoin : public Join {
 public:
  static const char* const SharedNames[2];  // "jobs", "served"
  explicit systemJoin(const TestModelParams& params = {});
  ~systemJoin() override;

  poolRep* pool;
  controllerSAN* controller;
  Place* jobs = nullptr;
  ServedArray* served = nullptr;
};

#endif
