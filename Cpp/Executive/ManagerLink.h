#ifndef CORVAX_MANAGER_LINK_H
#define CORVAX_MANAGER_LINK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Executive/ManagerCommandReader.h"

class CorvaxSocket;
class ResultFileWriter;
class RunProgress;
class RunSettings;

// The link to the simulation manager: the listening socket and the
// connection, the greeting, the manager's commands and the replies to them,
// and the processor-time message of every drain. Sends go through
// SendBytes, which keeps the rule for a lost manager: after a failed send
// nothing more is sent, the run stops, and (unless the manager said quit)
// the exit status reports the failure.
//
// The manager may name the binary result file (command 3), so the link
// changes the settings (binary file name, number of batches) and has the
// writer open that file; it also moves the settings' port to the one bound.
class ManagerLink {
 public:
  // How long the text of a binary-file command may take to arrive: a
  // manager sends it in one piece, so a few seconds are plenty, and a
  // stalled peer cannot hold the simulation longer.
  static constexpr int32_t CommandTextSeconds = 3;

  ManagerLink(RunSettings& settings, ResultFileWriter& writer, RunProgress& progress);
  ManagerLink(const ManagerLink&) = delete;
  ManagerLink& operator=(const ManagerLink&) = delete;
  ~ManagerLink();

  // Binds the first free port from the settings' port upwards, listens,
  // announces it and waits for the manager (-1: without limit); the
  // connection, greeted, becomes the manager socket. Null when no manager
  // came.
  CorvaxSocket* WaitForSimMgrConnection(int waitMilliseconds);
  // The wait of Run: WaitForSimMgrConnection for the wait set by
  // SetWaitMilliseconds (60 s unless changed); when no manager comes the
  // run is stopped, and unless a stop signal ended the wait, it fails with
  // a message.
  void WaitForManager();
  // Takes a connected socket as the manager socket (owned from now on).
  void Adopt(CorvaxSocket* socket);

  // Polls the manager once and handles at most one command.
  void ListenToSimMgr();
  // Handles commands until the run is no longer running or the link is
  // closed.
  void ListenToSimMgrLoop();
  // The processor-time message (seconds of processor time of the run).
  void SendProcessorTime(double seconds);
  // Sends bytes to the manager; false when the link is lost, now or before.
  bool SendBytes(const unsigned char* bytes, int size);
  bool SendBytes(const std::vector<unsigned char>& bytes);

  // A manager socket to send to, and no failed send yet.
  bool CanSend() const { return manager_ != nullptr && !linkLost_; }
  // A manager to poll for commands: connected, not lost, no quit yet.
  bool ShouldPoll() const { return CanSend() && !managerQuit_; }
  // After a drain: a lost link is dropped (never in the middle of a record).
  void DropIfLost();
  // Deletes both sockets.
  void Close();

  CorvaxSocket* ManagerSocket() const { return manager_; }
  CorvaxSocket* ListenSocket() const { return listener_; }
  bool LinkLost() const { return linkLost_; }

  // Timing: one wait for the connection (2000 ms), the wait for a command
  // at each poll (0: a plain poll), the wait of Run for the manager
  // (60000 ms), and the limit for a command text.
  void SetSelectSlice(int32_t milliseconds) { selectSlice_ = milliseconds; }
  void SetPollTime(int32_t milliseconds) { pollTime_ = milliseconds; }
  void SetWaitMilliseconds(int32_t milliseconds) { waitMilliseconds_ = milliseconds; }

 private:
  // The 10-byte replies and the greeting.
  void SendReply(unsigned char marker, unsigned char command);
  // Receives what the manager has sent (at most maxBytes) into the command
  // reader; false when it is gone (the link is then dropped and the run
  // stopped with status 1).
  bool ReceiveFromManager(size_t maxBytes);
  void HandleBinaryFileCommand(const std::string& text);
  // A refused or failed command, or a manager that is gone: message, run
  // stopped with exit status 1, link dropped. What was simulated is still
  // written to the result files by the drain that follows.
  void RefuseManagerCommand(const std::string& reason);
  void LoseManager(const std::string& cause);
  // A send to the manager failed. The link cannot be dropped in the middle
  // of a record, so it is marked lost (later sends are skipped) and dropped
  // after the drain. After the quit command this is no failure.
  void ManagerSendFailed();
  // Deletes the manager socket and forgets it (and any buffered command
  // bytes).
  void DropManagerSocket();

  RunSettings& settings_;
  ResultFileWriter& writer_;
  RunProgress& progress_;
  CorvaxSocket* listener_ = nullptr;
  CorvaxSocket* manager_ = nullptr;
  int32_t selectSlice_ = 2000;
  int32_t pollTime_ = 0;
  int32_t waitMilliseconds_ = 60000;
  int32_t commandTextTimeLimit_ = CommandTextSeconds * 1000;
  ManagerCommandReader commandReader_;  // bytes received and not yet handled
  bool managerQuit_ = false;            // the quit command was received
  bool linkLost_ = false;               // a send failed: no further sends
};

#endif
