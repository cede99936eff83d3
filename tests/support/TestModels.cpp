#include "support/TestModels.h"

#include <utility>

// ---- poolRep ---------------------------------------------------------------

const char* const poolRep::SharedNames[2] = {"jobs", "served"};

poolRep::poolRep(const TestModelParams& params) : Rep("pool", params.replicas, 2, SharedNames) {
  for (int i = 0; i < NumChildren; i++) Children[i] = new workerSAN(params);
  SetupActions();
  if (!AllChildrenEmpty()) {
    jobs = new Place("jobs", 0);
    addSharedPtr(jobs, "jobs");
    jobs->ShareWith(worker(0)->jobs);
    served = new ServedArray("served");
    addSharedPtr(served, "served");
    served->ShareWith(worker(0)->served);
    for (LoopCounter = 0; LoopCounter < NumChildren; LoopCounter++) {
      addSharingInfo(worker(LoopCounter)->jobs, jobs, nullptr);
      addSharingInfo(worker(LoopCounter)->served, served, nullptr);
    }
  }
  Setup("worker");
  for (int i = 1; i < NumChildren; i++) {
    worker(0)->jobs->ShareWith(worker(i)->jobs);
    worker(0)->served->ShareWith(worker(i)->served);
  }
}

poolRep::~poolRep() {
  if (!AllChildrenEmpty()) {
    delete jobs;
    delete served;
  }
  for (int i = 0; i < NumChildren; i++) delete Children[i];
}

// ---- systemJoin --------------------------------------------------------------

const char* const systemJoin::SharedNames[2] = {"jobs", "served"};

systemJoin::systemJoin(const TestModelParams& params)
    : Join("system", 2, 2, SharedNames),
      pool(new poolRep(params)),
      controller(new controllerSAN(params)) {
  Children[0] = pool;
  pool->DefineName("pool");
  Children[1] = controller;
  controller->DefineName("controller");
  SetupActions();
  if (!AllChildrenEmpty()) {
    jobs = new Place("jobs", 0);
    addSharedPtr(jobs, "jobs");
    for (auto [child, childJobs] :
         {std::pair<BaseModelClass*, Place*>{pool, pool->jobs}, {controller, controller->jobs}})
      if (child->getNumStateVariables() > 0) {
        jobs->ShareWith(childJobs);
        addSharingInfo(childJobs, jobs, child);
      }
    served = new ServedArray("served");
    addSharedPtr(served, "served");
    for (auto [child, childServed] : {std::pair<BaseModelClass*, ServedArray*>{pool, pool->served},
                                      {controller, controller->served}})
      if (child->getNumStateVariables() > 0) {
        served->ShareWith(childServed);
        addSharingInfo(childServed, served, child);
      }
  }
  Setup();
}

systemJoin::~systemJoin() {
  if (!AllChildrenEmpty()) {
    delete jobs;
    delete served;
  }
  delete pool;
  delete controller;
}
