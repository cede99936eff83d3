// Entry point: build one simulator from the command line, run it, destroy it.
#include <iostream>

#include "Executive/SimulatorClass.h"

int main(int argc, char** argv) {
  auto* simulator = new SimulatorClass(argc, argv);
  std::cout << "SIMULATOR::Preparing to run()" << std::endl;
  simulator->Run();
  std::cout << "SIMULATOR::MAIN()-GOOD EXIT" << std::endl;
  std::cerr << "SIMULATOR::MAIN()-GOOD EXIT" << std::endl;
  delete simulator;
  return SimulatorClass::ExitStatus;
}
