// The link to the simulation manager: connection set-up, greeting, command
// handling and the processor-time message.
#include "Executive/ManagerLink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "Common/ManagerProtocol.h"
#include "Executive/CorvaxSocket.h"
#include "Executive/OutputPaths.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/RecordEncoder.h"
#include "Executive/ResultFileWriter.h"
#include "Executive/RunProgress.h"
#include "Executive/RunSettings.h"
#include "Executive/StopSignals.h"

namespace {

using namespace ManagerProtocol;

constexpr int kListenBacklog = 100;
// Bytes taken from the socket at once: a whole command 3 with its byte.
constexpr size_t kReceiveChunk = kMaxCommandText + 1;

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

ManagerLink::ManagerLink(RunSettings& settings, ResultFileWriter& writer, RunProgress& progress)
    : settings_(settings), writer_(writer), progress_(progress) {}

ManagerLink::~ManagerLink() { Close(); }

void ManagerLink::Close() {
  DropManagerSocket();
  delete listener_;
  listener_ = nullptr;
}

bool ManagerLink::SendBytes(const unsigned char* bytes, int size) {
  if (linkLost_ || manager_ == nullptr) return false;
  if (manager_->Send(reinterpret_cast<const char*>(bytes), size) >= 1) return true;
  ManagerSendFailed();
  return false;
}

bool ManagerLink::SendBytes(const std::vector<unsigned char>& bytes) {
  return SendBytes(bytes.data(), static_cast<int>(bytes.size()));
}

void ManagerLink::SendReply(unsigned char marker, unsigned char command) {
  std::vector<unsigned char> reply;
  RecordEncoder::Reply(marker, command, static_cast<uint32_t>(::getpid()), reply);
  SendBytes(reply);
}

void ManagerLink::SendProcessorTime(double seconds) {
  std::vector<unsigned char> message;
  RecordEncoder::ProcessorTime(settings_.ClientID(), settings_.Experiment(), seconds, message);
  SendBytes(message);
}

void ManagerLink::Adopt(CorvaxSocket* socket) {
  DropManagerSocket();
  manager_ = socket;
  linkLost_ = false;
  managerQuit_ = false;
}

void ManagerLink::WaitForManager() {
  if (WaitForSimMgrConnection(waitMilliseconds_) != nullptr) return;
  progress_.Stop();
  if (StopSignals::Requested()) return;
  // Nothing is simulated: the run must not count as a success.
  std::cerr << "ERROR: No simulation manager connected within " << waitMilliseconds_ / 1000.0
            << " seconds; nothing was simulated." << std::endl;
  ProcessExitStatus::Fail();
}

CorvaxSocket* ManagerLink::WaitForSimMgrConnection(int waitMilliseconds) {
  delete listener_;
  listener_ = new CorvaxSocket(true);
  auto* connection = new CorvaxSocket(false);

  // Try the ports from the configured one upwards. Without an operating
  // system socket, or past the last port, there is nothing to bind.
  bool bound = false;
  while (listener_->Handle() != -1) {
    if (listener_->Bind(settings_.Port(), settings_.ListenAddress())) {
      bound = true;
      break;
    }
    if (settings_.Port() == UINT16_MAX) break;
    settings_.SetPort(static_cast<uint16_t>(settings_.Port() + 1));
  }
  if (!bound) {
    std::cerr << "ERROR: No free port to listen on for the simulation manager" << std::endl;
    delete connection;
    return nullptr;
  }
  // Port 0 lets the system choose; announce the port actually bound. The
  // socket listens before the announcement: a manager may connect as soon
  // as it reads the line, and the system queues that connection until it is
  // accepted below.
  if (listener_->LocalPort() != 0) settings_.SetPort(static_cast<uint16_t>(listener_->LocalPort()));
  if (!listener_->Listen(kListenBacklog)) {
    delete connection;
    return nullptr;
  }
  std::cout << kRegisterPrefix << static_cast<unsigned>(settings_.Port()) << kRegisterSuffix
            << std::endl;

  int remaining = waitMilliseconds;
  bool connected = false;
  while (progress_.IsRunning() && !connected && !StopSignals::Requested()) {
    if (remaining <= 0 && remaining != -1) break;
    const bool timed = remaining > 0;
    if (listener_->Select(selectSlice_) && listener_->Accept(*connection)) {
      connected = true;
      Adopt(connection);
      SendReply(kMarkerOk, kPing);  // the greeting
    }
    if (timed) remaining -= selectSlice_;
  }
  if (!connected) {
    delete connection;
    return nullptr;
  }
  return connection;
}

void ManagerLink::ListenToSimMgr() {
  CorvaxSocket* socket = manager_;
  if (socket == nullptr) return;
  // Bytes left over from an earlier receive are handled before the socket
  // is asked for more.
  if (commandReader_.Empty()) {
    if (!socket->Select(pollTime_)) {
      if (socket->GetErrorString() != nullptr) {
        std::cout << "Error reading socket 'select'... Exiting." << std::endl;
        LoseManager("waiting for its commands failed");
      }
      return;
    }
    if (!ReceiveFromManager(kReceiveChunk)) return;
  }

  // Only the text of a binary-file command can be incomplete; the rest of it
  // must arrive within the time limit.
  ManagerCommandReader::Command command;
  ManagerCommandReader::Status status = commandReader_.Next(command);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(commandTextTimeLimit_);
  while (status == ManagerCommandReader::Status::Incomplete) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) {
      RefuseManagerCommand("its text did not end with ';;' within " +
                           std::to_string(commandTextTimeLimit_ / 1000.0) + " s");
      return;
    }
    if (!socket->Select(static_cast<int>(left))) {
      if (socket->GetErrorString() != nullptr) {
        LoseManager("waiting for the rest of a command failed");
        return;
      }
      continue;  // interrupted, or the time is up
    }
    if (!ReceiveFromManager(commandReader_.Room())) return;
    status = commandReader_.Next(command);
  }
  if (status == ManagerCommandReader::Status::TooLong) {
    RefuseManagerCommand("its text has no ';;' within " + std::to_string(kMaxCommandText) +
                         " bytes");
    return;
  }

  switch (command.code) {
    case kPing:
      SendReply(kMarkerOk, kPing);
      break;
    case kQuit:
      std::cout << "SOCKET::Quit" << std::endl;
      managerQuit_ = true;
      SendReply(kMarkerQuit, kQuit);
      progress_.Stop();
      break;
    case kWriteToBinaryFile:
      HandleBinaryFileCommand(command.text);
      break;
    default:
      std::cerr << "!! Invalid Response Received by Client " << std::endl;
      std::cerr << "!! Simulation" << std::endl;
      break;
  }
}

bool ManagerLink::ReceiveFromManager(size_t maxBytes) {
  char chunk[kReceiveChunk];
  const int received = manager_->Recv(chunk, static_cast<int>(std::min(maxBytes, sizeof chunk)));
  if (received > 0) {
    commandReader_.Append(chunk, static_cast<size_t>(received));
    return true;
  }
  if (received == 0) {
    LoseManager("it closed the connection");
    return false;
  }
  const int error = errno;
  std::cout << "Error reading socket 'read'... Exiting." << std::endl;
  LoseManager(std::strerror(error));
  return false;
}

// "name;count": the manager names the binary result file and the number of
// replications, then leaves the run to write its files alone. The name
// cannot reach outside the working directory, and a file the run already
// writes, a link or anything but a regular file is refused.
void ManagerLink::HandleBinaryFileCommand(const std::string& text) {
  BinaryFileRequest request;
  std::string reason;
  if (!BinaryFileRequest::Parse(text, request, reason)) {
    RefuseManagerCommand("'" + printable(text) + "': " + reason);
    return;
  }
  const bool takeIt = settings_.BinFileName() == nullptr;
  if (takeIt) {
    for (const auto& [role, path] : settings_.OutputFiles()) {
      if (OutputPaths::SameFile(request.name, path)) {
        RefuseManagerCommand("'" + printable(request.name) + "' is the " + role);
        return;
      }
    }
    struct stat status {};
    if (::lstat(request.name.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
      RefuseManagerCommand("'" + printable(request.name) + "' exists and is not a regular file");
      return;
    }
  }
  SendReply(kMarkerOk, kWriteToBinaryFile);
  if (takeIt) {
    settings_.SetMaxBatches(request.batches);
    settings_.SetBinFileName(request.name);
    if (const int error = writer_.OpenBinaryFileNamed(); error != 0) {
      RefuseManagerCommand("cannot create the binary result file '" + printable(request.name) +
                           "': " + std::strerror(error));
      return;
    }
  }
  // From here on the run writes to its files only.
  DropManagerSocket();
}

void ManagerLink::RefuseManagerCommand(const std::string& reason) {
  std::cerr << "ERROR: Refused the simulation manager's binary-file command: " << reason
            << ".  Stopping the run; what was simulated is written to the result files."
            << std::endl;
  ProcessExitStatus::Fail();
  progress_.Stop();
  DropManagerSocket();
}

void ManagerLink::LoseManager(const std::string& cause) {
  if (!managerQuit_) {  // after its quit command a manager may leave
    std::cerr << "ERROR: Lost the simulation manager (" << cause
              << ").  Stopping the run; what was simulated is written to the result files."
              << std::endl;
    ProcessExitStatus::Fail();
  }
  progress_.Stop();
  linkLost_ = true;
  DropManagerSocket();
}

void ManagerLink::ManagerSendFailed() {
  const int error = errno;
  progress_.Stop();
  if (linkLost_) return;
  linkLost_ = true;
  if (managerQuit_) return;  // it has what it asked for and may have left
  std::cerr << "ERROR: Lost the simulation manager (sending to it failed: " << std::strerror(error)
            << ").  Stopping the run; what was simulated is written to the result files."
            << std::endl;
  ProcessExitStatus::Fail();
}

void ManagerLink::DropManagerSocket() {
  delete manager_;
  manager_ = nullptr;
  commandReader_.Clear();
}

void ManagerLink::DropIfLost() {
  if (linkLost_ && manager_ != nullptr) DropManagerSocket();
}

void ManagerLink::ListenToSimMgrLoop() {
  // Command 3 closes the socket; the loop ends with it.
  while (progress_.IsRunning() && manager_ != nullptr) ListenToSimMgr();
}
