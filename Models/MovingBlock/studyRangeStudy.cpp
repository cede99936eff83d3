#include "MovingBlock/studyRangeStudy.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "MovingBlock/GlobalVariables.h"
#include "MovingBlock/rewardPVModel.h"

namespace {
constexpr unsigned kNumGVs = 13;
constexpr unsigned kNumExperiments = 11;

const char* const kGVNames[kNumGVs] = {
    "MAnetDelay", "RBCprocessingTime", "TPRUpdatePeriod", "TPRnetDelay",
    "integrityNotConfirmedProb", "lineLength", "maxTrainSpeed", "nTrains",
    "netNotDeliveryProb", "positionUpdatePeriod", "safetyMargin", "trainLength",
    "trainScheduling"};
const char* const kGVTypes[kNumGVs] = {"double", "double", "double", "double", "double",
                                       "int",    "short",  "short",  "double", "double",
                                       "int",    "int",    "int"};

// Address of each global variable, in table order.
void* const kGVAddresses[kNumGVs] = {
    &MAnetDelay,         &RBCprocessingTime,    &TPRUpdatePeriod, &TPRnetDelay,
    &integrityNotConfirmedProb, &lineLength,    &maxTrainSpeed,   &nTrains,
    &netNotDeliveryProb, &positionUpdatePeriod, &safetyMargin,    &trainLength,
    &trainScheduling};

int gvIndex(const char* name) {
  for (unsigned i = 0; i < kNumGVs; i++)
    if (std::strcmp(name, kGVNames[i]) == 0) return static_cast<int>(i);
  return -1;
}

template <class T>
T* constantValues(T value) {
  T* values = new T[kNumExperiments];
  for (unsigned e = 0; e < kNumExperiments; e++) values[e] = value;
  return values;
}

BaseStudyClass* theStudy = nullptr;
}  // namespace

BaseStudyClass* GenerateStudy() {
  if (!theStudy) theStudy = new studyRangeStudy();
  return theStudy;
}

void DestructStudy() {
  delete theStudy;
  theStudy = nullptr;
}

studyRangeStudy::studyRangeStudy() {
  SetGVTable(kNumGVs, kGVNames, kGVTypes);
  NumExps = kNumExperiments;
  SetValues_MAnetDelay();
  SetValues_RBCprocessingTime();
  SetValues_TPRUpdatePeriod();
  SetValues_TPRnetDelay();
  SetValues_integrityNotConfirmedProb();
  SetValues_lineLength();
  SetValues_maxTrainSpeed();
  SetValues_nTrains();
  SetValues_netNotDeliveryProb();
  SetValues_positionUpdatePeriod();
  SetValues_safetyMargin();
  SetValues_trainLength();
  SetValues_trainScheduling();
}

studyRangeStudy::~studyRangeStudy() {
  delete[] MAnetDelayValues;
  delete[] RBCprocessingTimeValues;
  delete[] TPRUpdatePeriodValues;
  delete[] TPRnetDelayValues;
  delete[] integrityNotConfirmedProbValues;
  delete[] lineLengthValues;
  delete[] maxTrainSpeedValues;
  delete[] nTrainsValues;
  delete[] netNotDeliveryProbValues;
  delete[] positionUpdatePeriodValues;
  delete[] safetyMarginValues;
  delete[] trainLengthValues;
  delete[] trainSchedulingValues;
}

void studyRangeStudy::SetValues_MAnetDelay() { MAnetDelayValues = constantValues(0.2); }
void studyRangeStudy::SetValues_RBCprocessingTime() { RBCprocessingTimeValues = constantValues(0.2); }
void studyRangeStudy::SetValues_TPRUpdatePeriod() { TPRUpdatePeriodValues = constantValues(5.0); }
void studyRangeStudy::SetValues_TPRnetDelay() { TPRnetDelayValues = constantValues(0.5); }
void studyRangeStudy::SetValues_integrityNotConfirmedProb() {
  integrityNotConfirmedProbValues = constantValues(0.0);
}
void studyRangeStudy::SetValues_lineLength() { lineLengthValues = constantValues(16000); }
void studyRangeStudy::SetValues_maxTrainSpeed() {
  maxTrainSpeedValues = constantValues(static_cast<short>(80));
}
void studyRangeStudy::SetValues_nTrains() { nTrainsValues = constantValues(static_cast<short>(30)); }
// 0.1 added k times to 0.0 in double arithmetic, as the shortest decimal
// text that reads back to exactly that double.
void studyRangeStudy::SetValues_netNotDeliveryProb() {
  netNotDeliveryProbValues = new double[kNumExperiments]{
      0.0, 0.1, 0.2, 0.30000000000000004, 0.4, 0.5, 0.6, 0.7, 0.7999999999999999,
      0.8999999999999999, 0.9999999999999999};
}
void studyRangeStudy::SetValues_positionUpdatePeriod() {
  positionUpdatePeriodValues = constantValues(1.0);
}
void studyRangeStudy::SetValues_safetyMargin() { safetyMarginValues = constantValues(0); }
void studyRangeStudy::SetValues_trainLength() { trainLengthValues = constantValues(300); }
void studyRangeStudy::SetValues_trainScheduling() { trainSchedulingValues = constantValues(50); }

PVModel* studyRangeStudy::GetPVModel(bool expandTimes) {
  delete ThePVModel;
  ThePVModel = nullptr;
  // The fleet has one train model per train and every per-train array one
  // element per train: without a train there is no model to build.
  if (nTrains < 1) {
    std::cerr << "ERROR: nTrains is " << nTrains
              << "; the model needs at least one train (nTrains >= 1)." << std::endl;
    std::exit(1);
  }
  ThePVModel = new rewardPVModel(expandTimes);
  return ThePVModel;
}

void studyRangeStudy::SetGVs(int experiment) {
  // Experiments outside the table are refused by the simulator before it
  // gets here; never read outside the value arrays.
  if (experiment < 0 || static_cast<unsigned>(experiment) >= kNumExperiments) return;
  MAnetDelay = MAnetDelayValues[experiment];
  RBCprocessingTime = RBCprocessingTimeValues[experiment];
  TPRUpdatePeriod = TPRUpdatePeriodValues[experiment];
  TPRnetDelay = TPRnetDelayValues[experiment];
  integrityNotConfirmedProb = integrityNotConfirmedProbValues[experiment];
  lineLength = lineLengthValues[experiment];
  maxTrainSpeed = maxTrainSpeedValues[experiment];
  nTrains = nTrainsValues[experiment];
  netNotDeliveryProb = netNotDeliveryProbValues[experiment];
  positionUpdatePeriod = positionUpdatePeriodValues[experiment];
  safetyMargin = safetyMarginValues[experiment];
  trainLength = trainLengthValues[experiment];
  trainScheduling = trainSchedulingValues[experiment];
}

void studyRangeStudy::PrintGlobalValues(int experiment) {
  if (NumGVs == 0) {
    std::cout << "There are no global variables." << std::endl;
    return;
  }
  SetGVs(experiment);
  std::cout << "The Global Variable values for experiment " << GetExpName(experiment)
            << " are:" << std::endl;
  std::cout << "MAnetDelay\tdouble\t" << MAnetDelay << std::endl;
  std::cout << "RBCprocessingTime\tdouble\t" << RBCprocessingTime << std::endl;
  std::cout << "TPRUpdatePeriod\tdouble\t" << TPRUpdatePeriod << std::endl;
  std::cout << "TPRnetDelay\tdouble\t" << TPRnetDelay << std::endl;
  std::cout << "integrityNotConfirmedProb\tdouble\t" << integrityNotConfirmedProb << std::endl;
  std::cout << "lineLength\tint\t" << lineLength << std::endl;
  std::cout << "maxTrainSpeed\tshort\t" << maxTrainSpeed << std::endl;
  std::cout << "nTrains\tshort\t" << nTrains << std::endl;
  std::cout << "netNotDeliveryProb\tdouble\t" << netNotDeliveryProb << std::endl;
  std::cout << "positionUpdatePeriod\tdouble\t" << positionUpdatePeriod << std::endl;
  std::cout << "safetyMargin\tint\t" << safetyMargin << std::endl;
  std::cout << "trainLength\tint\t" << trainLength << std::endl;
  std::cout << "trainScheduling\tint\t" << trainScheduling << std::endl;
}

void* studyRangeStudy::GetGVValue(const char* name) {
  const int i = gvIndex(name);
  if (i < 0) {
    std::cerr << "!! studyRangeStudy::GetGVValue: Global Variable " << name << " does not exist."
              << std::endl;
    return nullptr;
  }
  return kGVAddresses[i];
}

void studyRangeStudy::OverrideGVValue(const char* name, void* value) {
  const int i = gvIndex(name);
  if (i < 0) {
    std::cerr << "!! studyRangeStudy::OverrideGVValue: Global Variable " << name
              << " does not exist." << std::endl;
    return;
  }
  const char* type = kGVTypes[i];
  if (std::strcmp(type, "double") == 0)
    *static_cast<double*>(kGVAddresses[i]) = *static_cast<double*>(value);
  else if (std::strcmp(type, "int") == 0)
    *static_cast<int*>(kGVAddresses[i]) = *static_cast<int*>(value);
  else
    *static_cast<short*>(kGVAddresses[i]) = *static_cast<short*>(value);
}
