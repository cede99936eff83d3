// Construction, run and destruction of the simulator.
#include "Executive/SimulatorClass.h"

#include <cstdlib>
#include <iostream>

#include "Executive/CorvaxSocket.h"
#include "Executive/DataPacket.h"
#include "Executive/PacketQueue.h"

namespace {
constexpr int32_t kPacketQueueCapacity = 50;
}

SimulatorClass::SimulatorClass()
    : FreeQueue(new PacketQueue(kPacketQueueCapacity)),
      FullQueue(new PacketQueue(kPacketQueueCapacity)) {}

SimulatorClass::SimulatorClass(int argc, char** argv) : SimulatorClass() {
  if (ParseCommandLineOptions(argc, argv) != 0) {
    PrintUsage();
    std::cerr << "ERROR: Parsing command line options" << std::endl;
    std::exit(1);
  }
  OpenResultFiles();
}

void SimulatorClass::Run() { FinishBinaryFileAtEndOfRun(); }

SimulatorClass::~SimulatorClass() {
  // Output side: sockets, result files, packets.
  delete ManagerSocket;
  ManagerSocket = nullptr;
  delete ListenSocket;
  ListenSocket = nullptr;
  if (AsciiStream != nullptr) {
    CloseAsciiFile(*AsciiStream);
    delete AsciiStream;
    AsciiStream = nullptr;
  }
  if (BinStream != nullptr) {
    CloseBinFile(*BinStream);
    delete BinStream;
    BinStream = nullptr;
  }
  FullQueue->DeleteAll();
  FreeQueue->DeleteAll();
  delete FullQueue;
  delete FreeQueue;
  delete Primary;
  delete Companion;

  delete[] OverrideString;
  delete[] TraceFileName;
  delete[] ASCIIFileName;
  delete[] BinFileName;
}
