#include "support/TestAtomicModels.h"

#include <string>

// ---- ServedArray -----------------------------------------------------------

ServedArray::ServedArray(const char* name, const char* prefix)
    : ArrayStateVariable<ExtendedPlace<int>>(name, prefix, IntElement, Size) {
  for (int i = 0; i < Size; i++)
    appendElement(new ExtendedPlace<int>(std::to_string(i).c_str(), name, 0));
}

ServedArray::~ServedArray() { destroyElements(); }

testActivity::testActivity(const char* name, int groupId, Distribution distribution, int caseNumber,
                           double weight, double delay)
    : caseNumber(caseNumber), weight(weight), delay(delay) {
  ActivityInitialize(name, groupId, distribution, RaceEnabled, false);
}

// ---- workerSAN -------------------------------------------------------------

workerSAN::startActivity::startActivity() : testActivity("start", 0, Instantaneous, 0, 1.0, 0.0) {}

bool workerSAN::startActivity::Enabled() { return setEnabled(*busy_Mark == 0 && *jobs_Mark > 0); }

BaseActionClass* workerSAN::startActivity::Fire() {
  (*jobs_Mark)--;
  (*busy_Mark)++;
  return this;
}

void workerSAN::startActivity::LinkVariables() {
  auto* model = static_cast<workerSAN*>(ParentModel);
  model->busy->linkPointer(&busy_Mark);
  model->jobs->linkPointer(&jobs_Mark);
}

workerSAN::serveActivity::serveActivity(int caseNumber, const TestModelParams& params)
    : testActivity(caseNumber == 1 ? "serve_case1" : "serve_case2", 1, Deterministic, caseNumber,
                   caseNumber == 1 ? 1.0 - params.failProbability : params.failProbability,
                   params.serveTime) {}

bool workerSAN::serveActivity::Enabled() { return setEnabled(*busy_Mark > 0); }

BaseActionClass* workerSAN::serveActivity::Fire() {
  (*busy_Mark)--;
  if (caseNumber == 1) {
    served->at(0)++;
  } else {
    served->at(1)++;
    (*jobs_Mark)++;
  }
  return this;
}

void workerSAN::serveActivity::LinkVariables() {
  auto* model = static_cast<workerSAN*>(ParentModel);
  model->busy->linkPointer(&busy_Mark);
  model->jobs->linkPointer(&jobs_Mark);
  served = model->served;
}

workerSAN::workerSAN(const TestModelParams& params)
    : busy(new Place("busy", 0)),
      jobs(new Place("jobs", params.jobs)),
      served(new ServedArray("served")),
      serve_case1(1, params),
      serve_case2(2, params) {
  serveGroup.initialize(2, "serveGroup");
  serveGroup.appendGroup(&serve_case1);
  serveGroup.appendGroup(&serve_case2);

  BaseStateVariableClass* places[] = {busy, jobs, served};
  Activity* actions[] = {&start, &serve_case1, &serve_case2};
  BaseGroupClass* groups[] = {&start, &serveGroup};
  initializeSANModelNow("worker", 3, places, 0, nullptr, 3, actions, 2, groups);

  for (Place* place : {busy, jobs}) {
    AddEnableArc(place, &start);
    AddAffectArc(place, &start);
  }
  for (serveActivity* serve : {&serve_case1, &serve_case2}) {
    AddEnableArc(busy, serve);
    AddAffectArc(busy, serve);
    AddAffectArc(served, serve);
  }
  AddAffectArc(jobs, &serve_case2);

  for (Activity* action : actions) action->LinkVariables();
}

workerSAN::~workerSAN() {
  delete busy;
  delete jobs;
  delete served;
}

// ---- controllerSAN -----------------------------------------------------------

controllerSAN::auditActivity::auditActivity(int caseNumber, const TestModelParams& params)
    : testActivity(caseNumber == 1 ? "audit_case1" : "audit_case2", 0, Deterministic, caseNumber,
                   params.auditWeights[caseNumber - 1], params.auditTimes[caseNumber - 1]) {}

bool controllerSAN::auditActivity::Enabled() {
  return setEnabled(*budget_Mark > 0 && served->at(0) > *audited_Mark);
}

BaseActionClass* controllerSAN::auditActivity::Fire() {
  (*audited_Mark)++;
  (*budget_Mark)--;
  if (caseNumber == 2) (*jobs_Mark)++;
  return this;
}

void controllerSAN::auditActivity::LinkVariables() {
  auto* model = static_cast<controllerSAN*>(ParentModel);
  model->jobs->linkPointer(&jobs_Mark);
  model->audited->linkPointer(&audited_Mark);
  model->budget->linkPointer(&budget_Mark);
  served = model->served;
}

controllerSAN::controllerSAN(const TestModelParams& params)
    : jobs(new Place("jobs", params.jobs)),
      served(new ServedArray("served")),
      audited(new Place("audited", 0)),
      budget(new Place("budget", params.auditBudget)),
      audit_case1(1, params),
      audit_case2(2, params) {
  auditGroup.initialize(2, "auditGroup");
  auditGroup.appendGroup(&audit_case1);
  auditGroup.appendGroup(&audit_case2);

  BaseStateVariableClass* places[] = {jobs, served, audited, budget};
  Activity* actions[] = {&audit_case1, &audit_case2};
  BaseGroupClass* groups[] = {&auditGroup};
  initializeSANModelNow("controller", 4, places, 0, nullptr, 2, actions, 1, groups);

  for (auditActivity* audit : {&audit_case1, &audit_case2}) {
    for (BaseStateVariableClass* variable :
         std::initializer_list<BaseStateVariableClass*>{budget, served, audited})
      AddEnableArc(variable, audit);
    AddAffectArc(audited, audit);
    AddAffectArc(budget, audit);
  }
  AddAffectArc(jobs, &audit_case2);

  for (Activity* action : actions) action->LinkVariables();
}

controllerSAN::~controllerSAN() {
  delete jobs;
  delete served;
  delete audited;
  delete budget;
}
