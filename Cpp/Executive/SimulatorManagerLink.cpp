// The link to the simulation manager: connection set-up, greeting, command
// handling and the processor-time message.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "Executive/CorvaxSocket.h"
#include "Executive/OutputPaths.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/SimulatorClass.h"
#include "Executive/StopSignals.h"

namespace {

constexpr int kListenBacklog = 100;
// Bytes taken from the socket at once: a whole command 3 with its byte.
constexpr size_t kReceiveChunk = ManagerCommandReader::MaxCommandText + 1;
constexpr int32_t kReplyLength = 10;
constexpr int32_t kProcessorTimeField = 12;
constexpr unsigned char kReplyOk = 0xFF;
constexpr unsigned char kReplyQuit = 0xFE;
constexpr unsigned char kProcessorTimeKind = 0xFE;

enum Command : unsigned char { Ping = 1, Quit = 2, WriteToBinFile = 3 };

// Text from the manager as it may be shown in a message: bytes that are not
// printable ASCII as \xHH, and at most 80 of them.
std::string printable(const std::string& text) {
  static constexpr size_t kShown = 80;
  std::string shown;
  for (size_t i = 0; i < text.size() && i < kShown; i++) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      shown += static_cast<char>(byte);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      shown += escaped;
    }
  }
  if (text.size() > kShown) shown += "...";
  return shown;
}

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
  OutputByte(socket, nullptr, static_cast<char>(settings_.ClientID() & 0xFF));
  OutputShort(socket, nullptr, static_cast<short>(settings_.Experiment()));
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
    if (ListenSocket->Bind(settings_.Port(), settings_.ListenAddress())) {
      bound = true;
      break;
    }
    if (settings_.Port() == UINT16_MAX) break;
    settings_.SetPort(settings_.Port() + 1);
  }
  if (!bound) {
    std::cerr << "ERROR: No free port to listen on for the simulation manager" << std::endl;
    delete connection;
    return nullptr;
  }
  // Port 0 lets the system choose; announce the port actually bound.
  if (ListenSocket->LocalPort() != 0) settings_.SetPort(static_cast<uint16_t>(ListenSocket->LocalPort()));
  std::cout << "REGISTER:  Port: [" << static_cast<unsigned>(settings_.Port()) << "]" << std::endl;
  if (!ListenSocket->Listen(kListenBacklog)) {
    delete connection;
    return nullptr;
  }

  int remaining = waitMilliseconds;
  bool connected = false;
  while (progress_.IsRunning() && !connected && !StopSignals::Requested()) {
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
  // Bytes left over from an earlier receive are handled before the socket
  // is asked for more.
  if (CommandReader.Empty()) {
    if (!socket->Select(PollTime)) {
      if (socket->GetErrorString() != nullptr) {
        std::cout << "Error reading socket 'select'... Exiting." << std::endl;
        LoseManager(socket, "waiting for its commands failed");
      }
      return;
    }
    if (!ReceiveFromManager(socket, kReceiveChunk)) return;
  }

  // Only the text of a binary-file command can be incomplete; the rest of it
  // must arrive within the time limit.
  ManagerCommandReader::Command command;
  ManagerCommandReader::Status status = CommandReader.Next(command);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(CommandTextTimeLimit);
  while (status == ManagerCommandReader::Status::Incomplete) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) {
      RefuseManagerCommand(socket, "its text did not end with ';;' within " +
                                       std::to_string(CommandTextTimeLimit / 1000.0) + " s");
      return;
    }
    if (!socket->Select(static_cast<int>(left))) {
      if (socket->GetErrorString() != nullptr) {
        LoseManager(socket, "waiting for the rest of a command failed");
        return;
      }
      continue;  // interrupted, or the time is up
    }
    if (!ReceiveFromManager(socket, CommandReader.Room())) return;
    status = CommandReader.Next(command);
  }
  if (status == ManagerCommandReader::Status::TooLong) {
    RefuseManagerCommand(socket, "its text has no ';;' within " +
                                     std::to_string(ManagerCommandReader::MaxCommandText) +
                                     " bytes");
    return;
  }

  switch (command.code) {
    case Ping:
      SendReply(socket, kReplyOk, Ping);
      break;
    case Quit:
      std::cout << "SOCKET::Quit" << std::endl;
      ManagerQuit = true;
      SendReply(socket, kReplyQuit, Quit);
      progress_.Stop();
      break;
    case WriteToBinFile:
      HandleBinaryFileCommand(socket, command.text);
      break;
    default:
      std::cerr << "!! Invalid Response Received by Client " << std::endl;
      std::cerr << "!! Simulation" << std::endl;
      break;
  }
}

bool SimulatorClass::ReceiveFromManager(CorvaxSocket* socket, size_t maxBytes) {
  char chunk[kReceiveChunk];
  const int received = socket->Recv(chunk, static_cast<int>(std::min(maxBytes, sizeof chunk)));
  if (received > 0) {
    CommandReader.Append(chunk, static_cast<size_t>(received));
    return true;
  }
  if (received == 0) {
    LoseManager(socket, "it closed the connection");
    return false;
  }
  const int error = errno;
  std::cout << "Error reading socket 'read'... Exiting." << std::endl;
  LoseManager(socket, std::strerror(error));
  return false;
}

// "name;count": the manager names the binary result file and the number of
// replications, then leaves the run to write its files alone. The name
// cannot reach outside the working directory, and a file the run already
// writes, a link or anything but a regular file is refused.
void SimulatorClass::HandleBinaryFileCommand(CorvaxSocket* socket, const std::string& text) {
  BinaryFileRequest request;
  std::string reason;
  if (!BinaryFileRequest::Parse(text, request, reason)) {
    RefuseManagerCommand(socket, "'" + printable(text) + "': " + reason);
    return;
  }
  const bool takeIt = settings_.BinFileName() == nullptr;
  if (takeIt) {
    for (const auto& [role, path] : settings_.OutputFiles()) {
      if (OutputPaths::SameFile(request.name, path)) {
        RefuseManagerCommand(socket, "'" + printable(request.name) + "' is the " + role);
        return;
      }
    }
    struct stat status {};
    if (::lstat(request.name.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
      RefuseManagerCommand(socket, "'" + printable(request.name) +
                                       "' exists and is not a regular file");
      return;
    }
  }
  SendReply(socket, kReplyOk, WriteToBinFile);
  if (takeIt) {
    settings_.SetMaxBatches(request.batches);
    settings_.SetBinFileName(request.name);
    errno = 0;
    BinStream = CreateBinFile(settings_.BinFileName());
    if (!BinStream->is_open() || !BinStream->good()) {
      const int error = errno;
      delete BinStream;
      BinStream = nullptr;
      RefuseManagerCommand(socket, "cannot create the binary result file '" +
                                       printable(request.name) + "': " + std::strerror(error));
      return;
    }
  }
  // From here on the run writes to its files only.
  DropManagerSocket(socket);
}

void SimulatorClass::RefuseManagerCommand(CorvaxSocket* socket, const std::string& reason) {
  std::cerr << "ERROR: Refused the simulation manager's binary-file command: " << reason
            << ".  Stopping the run; what was simulated is written to the result files."
            << std::endl;
  ProcessExitStatus::Fail();
  progress_.Stop();
  DropManagerSocket(socket);
}

void SimulatorClass::LoseManager(CorvaxSocket* socket, const std::string& cause) {
  if (!ManagerQuit) {  // after its quit command a manager may leave
    std::cerr << "ERROR: Lost the simulation manager (" << cause
              << ").  Stopping the run; what was simulated is written to the result files."
              << std::endl;
    ProcessExitStatus::Fail();
  }
  progress_.Stop();
  ManagerLinkLost = true;
  DropManagerSocket(socket);
}

void SimulatorClass::ManagerSendFailed() {
  const int error = errno;
  progress_.Stop();
  if (ManagerLinkLost) return;
  ManagerLinkLost = true;
  if (ManagerQuit) return;  // it has what it asked for and may have left
  std::cerr << "ERROR: Lost the simulation manager (sending to it failed: "
            << std::strerror(error)
            << ").  Stopping the run; what was simulated is written to the result files."
            << std::endl;
  ProcessExitStatus::Fail();
}

void SimulatorClass::DropManagerSocket(CorvaxSocket* socket) {
  if (ManagerSocket == socket) ManagerSocket = nullptr;
  delete socket;
  CommandReader.Clear();
}

void SimulatorClass::ListenToSimMgrLoop(CorvaxSocket* socket) {
  // Command 3 closes the socket; the loop ends with it.
  while (progress_.IsRunning() && socket != nullptr && ManagerSocket == socket) {
    ListenToSimMgr(socket);
  }
}

