#ifndef MOVINGBLOCK_GLOBAL_VARIABLES_H
#define MOVINGBLOCK_GLOBAL_VARIABLES_H

// The model's global variables, read directly by the model code and written
// only by the study (experiment values and command-line overrides).
extern double MAnetDelay;
extern double RBCprocessingTime;
extern double TPRUpdatePeriod;
extern double TPRnetDelay;
extern double integrityNotConfirmedProb;
extern int lineLength;
extern short maxTrainSpeed;
extern short nTrains;
extern double netNotDeliveryProb;
extern double positionUpdatePeriod;
extern int safetyMargin;
extern int trainLength;
extern int trainScheduling;

#endif
