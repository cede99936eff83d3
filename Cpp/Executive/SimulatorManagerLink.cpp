// The link to the simulation manager: connection set-up, greeting, command
// handling and the processor-time message.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "Executive/CorvaxSocket.h"
#include "Executive/SimulatorClass.h"

namespace {

constexpr int kListenBacklog = 100;
constexpr int kMaxCommandText = 512;
constexpr int32_t kReplyLength = 10;
constexpr int32_t kProcessorTimeField = 12;
constexpr unsigned char kReplyOk = 0xFF;
constexpr unsigned char kReplyQuit = 0xFE;
constexpr unsigned char kProcessorTimeKind = 0xFE;

enum Command : unsigned char { Ping = 1, Quit = 2, WriteToBinFile = 3 };

}  // namespace

void SimulatorClass::SendReply(CorvaxSocket* socket, unsigned char kind, unsigned char command) {
  OutputInt(socket, nullptr, kReplyLength);
  OutputByte(socket, nullptr, static_cast<char>(kind));
  OutputByte(socket, nullptr, static_cast<char>(command));
  OutputInt(socket, nullptr, static_cast<int>(::getpid()));
}

void SimulatorClass::SendProcessorTime(CorvaxSocket* socket) {
  OutputInt(socket, nullptr, kProcessorTimeField);
  OutputByte(socket, nullptr, static_cast<char>(kProcessorTimeKind));
  OutputByte(socket, nullptr, static_cast<char>(ClientID & 0xFF));
  OutputShort(socket, nullptr, static_cast<short>(Experiment));
  Output(socket, nullptr, &ProcessorTime, 1);
}

CorvaxSocket* SimulatorClass::WaitForSimMgrConnection(int waitMilliseconds) {
  delete ListenSocket;
  ListenSocket = new CorvaxSocket(true);
  auto* connection = new CorvaxSocket(false);

  // Try the ports from the configured one upwards. Without an operating
  // system socket, or past the last port, there is nothing to bind.
  bool bound = false;
  while (ListenSocket->Handle() != -1) {
    if (ListenSocket->Bind(Port)) {
      bound = true;
      break;
    }
    if (Port == UINT16_MAX) break;
    Port++;
  }
  if (!bound) {
    std::cerr << "ERROR: No free port to listen on for the simulation manager" << std::endl;
    delete connection;
    return nullptr;
  }
  // Port 0 lets the system choose; announce the port actually bound.
  if (ListenSocket->LocalPort() != 0) Port = static_cast<uint16_t>(ListenSocket->LocalPort());
  std::cout << "REGISTER:  Port: [" << static_cast<unsigned>(Port) << "]" << std::endl;
  if (!ListenSocket->Listen(kListenBacklog)) {
    delete connection;
    return nullptr;
  }

  int remaining = waitMilliseconds;
  bool connected = false;
  while (RunStatus == Running && !connected) {
    if (remaining <= 0 && remaining != -1) break;
    const bool timed = remaining > 0;
    if (ListenSocket->Select(SelectSlice) && ListenSocket->Accept(*connection)) {
      connected = true;
      SendReply(connection, kReplyOk, Ping);  // the greeting
    }
    if (timed) remaining -= SelectSlice;
  }
  if (!connected) {
    delete connection;
    return nullptr;
  }
  return connection;
}

void SimulatorClass::ListenToSimMgr(CorvaxSocket* socket) {
  if (!socket->Select(PollTime)) {
    if (socket->GetErrorString() != nullptr) {
      std::cout << "Error reading socket 'select'... Exiting." << std::endl;
      RunStatus = Stopped;
    }
    return;
  }
  char command = 0;
  if (socket->Recv(&command, 1) < 1) {
    if (socket->GetErrorString() != nullptr) {
      std::cout << "Error reading socket 'read'... Exiting." << std::endl;
      RunStatus = Stopped;
    }
    return;
  }

  switch (static_cast<unsigned char>(command)) {
    case Ping:
      SendReply(socket, kReplyOk, Ping);
      break;
    case Quit:
      std::cout << "SOCKET::Quit" << std::endl;
      SendReply(socket, kReplyQuit, Quit);
      RunStatus = Stopped;
      break;
    case WriteToBinFile: {
      char text[kMaxCommandText + 1];
      const int received = socket->RecvBlock(text, kMaxCommandText, ";;");
      const std::string arrived(text, received);
      // "name;batches;;": the name runs to the first ';', the number follows.
      const size_t firstSeparator = arrived.find(';');
      const std::string name = arrived.substr(0, firstSeparator);
      const int batches = firstSeparator == std::string::npos
                              ? 0
                              : std::atoi(arrived.c_str() + firstSeparator + 1);
      SendReply(socket, kReplyOk, WriteToBinFile);
      if (BinFileName == nullptr) {
        MaxBatches = batches;
        BinFileName = new char[name.size() + 1];
        std::memcpy(BinFileName, name.c_str(), name.size() + 1);
        errno = 0;
        BinStream = CreateBinFile(BinFileName);
        if (!BinStream->is_open() || !BinStream->good()) {
          std::cerr << "ERROR: Cannot create binary result file '" << BinFileName
                    << "' named by the simulation manager: " << std::strerror(errno)
                    << std::endl;
          delete BinStream;
          BinStream = nullptr;
          RunStatus = Stopped;
        }
      }
      // From here on the run writes to its files only.
      if (ManagerSocket == socket) ManagerSocket = nullptr;
      delete socket;
      break;
    }
    default:
      std::cerr << "!! Invalid Response Received by Client " << std::endl;
      std::cerr << "!! Simulation" << std::endl;
      break;
  }
}

void SimulatorClass::ListenToSimMgrLoop(CorvaxSocket* socket) {
  // Command 3 closes the socket; the loop ends with it.
  while (RunStatus == Running && socket != nullptr && ManagerSocket == socket) {
    ListenToSimMgr(socket);
  }
}

