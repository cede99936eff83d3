// Every header that generated model code includes, for the scan of the
// names they declare (see ReservedNamesScan.cpp). A test checks that the
// sources sangen writes include nothing beyond these.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "BaseClasses/Activity.h"
#include "BaseClasses/BaseModelClass.h"
#include "BaseClasses/ModelRuntime.h"
#include "BaseClasses/PreselectGroup.h"
#include "BaseClasses/SANModel.h"
#include "BaseClasses/state/StructStateVariable.h"
#include "Composer/Join.h"
#include "Composer/Rep.h"
#include "Random/Distributions.h"
#include "Rewards/IntervalOfTimeImpulse.h"
#include "Rewards/PVModel.h"
#include "Rewards/PerformanceVariableNode.h"
#include "Rewards/PerformanceVariableWorker.h"
#include "Study/BaseStudyClass.h"
