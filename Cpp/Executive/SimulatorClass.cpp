// Construction, run and destruction of the simulator.
#include "Executive/SimulatorClass.h"

#include <cstdlib>
#include <iostream>

SimulatorClass::SimulatorClass() {}

SimulatorClass::SimulatorClass(int argc, char** argv) : SimulatorClass() {
  if (ParseCommandLineOptions(argc, argv) != 0) {
    PrintUsage();
    std::cerr << "ERROR: Parsing command line options" << std::endl;
    std::exit(1);
  }
}

void SimulatorClass::Run() {}

SimulatorClass::~SimulatorClass() {
  delete[] OverrideString;
  delete[] TraceFileName;
  delete[] ASCIIFileName;
  delete[] BinFileName;
}
