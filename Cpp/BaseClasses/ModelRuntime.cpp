#include "BaseClasses/ModelRuntime.h"

#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "BaseClasses/BaseModelClass.h"

namespace san {

void markingOverflow(const char* place, long long largest) {
  std::cerr << "ERROR: place " << place << " would hold more than " << largest << " at time "
            << BaseModelClass::LastActionTime
            << "; its marking cannot count further.  Terminating run." << std::endl;
  std::exit(1);
}

std::string numberText(long double value) {
  std::ostringstream text;
  text << std::setprecision(17) << value;
  return text.str();
}

void badModelValue(const std::string& value, const char* element, long long lowest,
                   long long highest) {
  std::cerr << "ERROR: the value " << value << " of " << element << " lies outside " << lowest
            << " to " << highest << ".  Terminating run." << std::endl;
  std::exit(1);
}

}  // namespace san
