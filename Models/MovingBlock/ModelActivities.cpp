#include "MovingBlock/ModelActivities.h"

#include <cstdlib>
#include <iostream>

#include "BaseClasses/BaseModelClass.h"

void ReportCountOverflow(const char* placeName) {
  std::cerr << "ERROR: place " << placeName << " would count more than " << SHRT_MAX
            << " messages at time " << BaseModelClass::LastActionTime
            << "; the model's 16-bit places cannot hold this run (fewer trains, or less frequent "
               "position reports).  Terminating run."
            << std::endl;
  std::exit(1);
}
