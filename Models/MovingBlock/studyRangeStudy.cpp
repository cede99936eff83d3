#include "MovingBlock/studyRangeStudy.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

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

// Valid values of each global variable, in table order.
// Delays and periods: at least 0.001. A period makes every train fire once
// per period up to the end of a replication at time 700, so 0.001 means at
// most 700 000 firings per train and period (a period of 1e-300 would never
// let a replication end); a delay must move the clock on, which at the
// replication's times (resolution about 1e-13 near 700) 0.001 does.
// Lengths stay below 5e8, so that the sums of a position, the train length
// and the safety margin that the model forms fit an int.
// nTrains: the trackside's count of delivered position reports (TPRtoRBC)
// is the first of the model's 16-bit places to overflow as the fleet grows.
// At the study's timing every train delivers a report in each 5 time units
// and the trackside takes one each 0.2, 25 per round; at the last of the 139
// deliveries before time 700 the count is 139 nTrains - 25 x 138, at most
// 32767 up to 260 trains. (More frequent reports can overflow it with fewer
// trains; the model then stops the run.) Entry times trainScheduling x i are
// 16-bit as well (GVCombinationProblem).
constexpr bool kOpen = true;
constexpr bool kClosed = false;
constexpr double kNoLimit = HUGE_VAL;
constexpr double kMinDelay = 0.001;
constexpr double kMaxLength = 5e8;
const GVRange kGVRanges[kNumGVs] = {
    {kMinDelay, kClosed, kNoLimit, kOpen},   // MAnetDelay
    {kMinDelay, kClosed, kNoLimit, kOpen},   // RBCprocessingTime
    {kMinDelay, kClosed, kNoLimit, kOpen},   // TPRUpdatePeriod
    {kMinDelay, kClosed, kNoLimit, kOpen},   // TPRnetDelay
    {0, kClosed, 1, kClosed},                // integrityNotConfirmedProb
    {1, kClosed, kMaxLength, kClosed},       // lineLength
    {1, kClosed, SHRT_MAX, kClosed},         // maxTrainSpeed
    {1, kClosed, 260, kClosed},              // nTrains
    {0, kClosed, 1, kClosed},                // netNotDeliveryProb
    {kMinDelay, kClosed, kNoLimit, kOpen},   // positionUpdatePeriod
    {0, kClosed, kMaxLength, kClosed},       // safetyMargin
    {1, kClosed, kMaxLength, kClosed},       // trainLength
    {0, kClosed, SHRT_MAX, kClosed}};        // trainScheduling

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
  SetGVRanges(kGVRanges);
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

// Train i enters at trainScheduling x i, computed into a 16-bit arrival time.
std::string studyRangeStudy::GVCombinationProblem() {
  const long long lastEntry = static_cast<long long>(trainScheduling) * (nTrains - 1);
  if (lastEntry <= SHRT_MAX) return "";
  return "the last train would enter at trainScheduling x (nTrains - 1) = " +
         std::to_string(trainScheduling) + " x " + std::to_string(nTrains - 1) + " = " +
         std::to_string(lastEntry) + ", beyond the 16-bit entry times (at most 32767)";
}
