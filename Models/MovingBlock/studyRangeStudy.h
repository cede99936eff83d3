#ifndef MOVINGBLOCK_STUDY_RANGE_STUDY_H
#define MOVINGBLOCK_STUDY_RANGE_STUDY_H

#include <string>

#include "Study/BaseStudyClass.h"

// The study of the railway model: 13 global variables and 11 experiments
// in which only the probability that the network loses a message changes.
class studyRangeStudy : public BaseStudyClass {
 public:
  studyRangeStudy();
  ~studyRangeStudy() override;

  PVModel* GetPVModel(bool expandTimes) override;
  void SetGVs(int experiment) override;
  void PrintGlobalValues(int experiment) override;
  void* GetGVValue(const char* name) override;
  void OverrideGVValue(const char* name, void* value) override;

 protected:
  std::string GVCombinationProblem() override;

 private:
  void SetValues_MAnetDelay();
  void SetValues_RBCprocessingTime();
  void SetValues_TPRUpdatePeriod();
  void SetValues_TPRnetDelay();
  void SetValues_integrityNotConfirmedProb();
  void SetValues_lineLength();
  void SetValues_maxTrainSpeed();
  void SetValues_nTrains();
  void SetValues_netNotDeliveryProb();
  void SetValues_positionUpdatePeriod();
  void SetValues_safetyMargin();
  void SetValues_trainLength();
  void SetValues_trainScheduling();

  double* MAnetDelayValues;
  double* RBCprocessingTimeValues;
  double* TPRUpdatePeriodValues;
  double* TPRnetDelayValues;
  double* integrityNotConfirmedProbValues;
  int* lineLengthValues;
  short* maxTrainSpeedValues;
  short* nTrainsValues;
  double* netNotDeliveryProbValues;
  double* positionUpdatePeriodValues;
  int* safetyMarginValues;
  int* trainLengthValues;
  int* trainSchedulingValues;
};

#endif
