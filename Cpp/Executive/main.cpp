// Entry point: build one simulator from the command line, run it, destroy it.
#include <iostream>

#include "Executive/SimulatorClass.h"
#include "Executive/StopSignals.h"

int main(int argc, char** argv) {
  StopSignals::Install();
  auto* simulator = new SimulatorClass(argc, argv);
  std::cout << "SIMULATOR::Preparing to run()" << std::endl;
  simulator->Run();
  // The files are closed (and may fail to close) as the simulator goes, so
  // the run's verdict is known only then.
  delete simulator;
  // A run stopped by a signal says so in its status, whatever else happened.
  const int status =
      StopSignals::Requested() ? StopSignals::ExitStatus() : SimulatorClass::ExitStatus();
  if (status == 0) {
    std::cout << "SIMULATOR::MAIN()-GOOD EXIT" << std::endl;
    std::cerr << "SIMULATOR::MAIN()-GOOD EXIT" << std::endl;
  }
  return status;
}
