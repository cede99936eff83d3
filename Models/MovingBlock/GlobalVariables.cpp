#include "MovingBlock/GlobalVariables.h"

double MAnetDelay = 0;
double RBCprocessingTime = 0;
double TPRUpdatePeriod = 0;
double TPRnetDelay = 0;
double integrityNotConfirmedProb = 0;
int lineLength = 0;
short maxTrainSpeed = 0;
short nTrains = 0;
double netNotDeliveryProb = 0;
double positionUpdatePeriod = 0;
int safetyMargin = 0;
int trainLength = 0;
int trainScheduling = 0;
