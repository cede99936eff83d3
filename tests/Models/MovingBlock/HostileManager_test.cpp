// A manager on the loopback interface that does not follow the protocol, or
// goes away, against the real simulator: it cannot write outside the working
// directory, cannot make the run endless or stall it, and a lost manager
// ends the run with status 1 and the observations so far in the files.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "MessageParser.h"
#include "SimulatorProcess.h"
#include "SimulatorRun.h"

using namespace results;

namespace {

constexpr int kWindows = 13;

// A simulator waiting for its manager (-w, a port the system picks, reports
// of one replication), and the manager connected and greeted.
struct ManagedRun {
  explicit ManagedRun(const std::string& dir, std::vector<std::string> extra = {})
      : process(dir, withDefaults(extra)) {
    const int port = process.Port();
    if (port > 0) manager = ConnectManager(port);
    if (manager) greeting = ReceiveBytes(*manager, 10);
  }
  static std::vector<std::string> withDefaults(std::vector<std::string> extra) {
    std::vector<std::string> args{"-w", "-p", "0", "-n", "1", "-e", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  void Send(const std::string& bytes) const {
    manager->Send(bytes.data(), static_cast<int>(bytes.size()));
  }
  SimulatorProcess process;
  std::unique_ptr<CorvaxSocket> manager;
  std::string greeting;
};

// Everything the simulator sends until it closes the link (at most 10 s),
// decoded; whether a reply to command 3 is among it.
bool RepliedToBinaryFileCommand(CorvaxSocket& manager) {
  const std::string bytes = ReceiveBytes(manager, SIZE_MAX, 10);
  MessageParser parser;
  parser.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  EXPECT_FALSE(parser.Failed()) << parser.Error();
  bool replied = false;
  for (SimulatorMessage message; parser.Next(message);)
    if (const auto* control = std::get_if<ControlMessage>(&message)) replied |= control->code == 3;
  return replied;
}

// Every PV has the same number of observations, the one in the closing line.
int CompleteReplications(const std::string& asciiPath) {
  const std::string text = readFile(asciiPath);
  const size_t closing = text.rfind("#META_DATA,BATCHES=");
  if (closing == std::string::npos) return -1;
  const int batches = std::stoi(text.substr(closing + 19));
  const Observations values = readAscii(asciiPath);
  for (int w = 0; w < kWindows; w++) {
    const auto found = values.find(w);
    if ((found == values.end() ? 0 : static_cast<int>(found->second.size())) != batches) return -2;
  }
  return batches;
}

TEST(HostileManager, BinaryFileCommandsOutsideTheRulesAreRefused) {
  const std::string base = freshDirectory("hostile").string();
  std::ofstream(base + "/victim.txt") << "precious";
  for (const std::string text : {"../victim.txt;5", "v.bin;0", "v.bin;-1", "v.bin;99999999999"}) {
    SCOPED_TRACE(text);
    const std::string dir = base + "/run";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ManagedRun run(dir, {"-a", "a.txt"});
    ASSERT_EQ(run.greeting.size(), 10u);
    run.Send("\x03" + text + ";;");
    EXPECT_FALSE(RepliedToBinaryFileCommand(*run.manager));
    EXPECT_EQ(run.process.Wait(20), 1);
    EXPECT_TRUE(contains(run.process.Err(), "Refused the simulation manager's binary-file command"))
        << run.process.Err();
    EXPECT_GE(CompleteReplications(dir + "/a.txt"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir + "/v.bin"));
  }
  EXPECT_EQ(readFile(base + "/victim.txt"), "precious");
}

TEST(HostileManager, CommandTextIsFramedAndTimeLimited) {
  const std::string dir = freshDirectory("framed").string();
  {
    // Command 3 and the next command in one segment: handled at once (the
    // ping after it is never answered: command 3 ends the link).
    ManagedRun run(dir);
    ASSERT_EQ(run.greeting.size(), 10u);
    run.Send(std::string("\x03tp.bin;5;;\x01"));
    EXPECT_TRUE(RepliedToBinaryFileCommand(*run.manager));
    // At most 5 replications, or one more when 5 were done before the
    // command arrived; the file has what came after it.
    EXPECT_EQ(run.process.Wait(20), 0) << run.process.Err();
    const BinaryResults binary = readBinary(dir + "/tp.bin");
    EXPECT_TRUE(binary.header.starts_with("CORVAX_SIM_BIN_FILE,256,")) << binary.header;
    EXPECT_TRUE(contains(run.process.Out(), "Actions fired: "));
  }
  {
    // A text without ";;" on a socket kept open: refused by the time limit.
    ManagedRun run(dir, {"-a", "a.txt"});
    ASSERT_EQ(run.greeting.size(), 10u);
    const auto start = std::chrono::steady_clock::now();
    run.Send("\x03name");
    EXPECT_EQ(run.process.Wait(20), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(contains(run.process.Err(), "did not end with ';;'")) << run.process.Err();
    EXPECT_GE(CompleteReplications(dir + "/a.txt"), 0);
  }
}

TEST(HostileManager, LostManagerEndsTheRunWithTheDataSoFarInTheFiles) {
  for (const bool reset : {false, true}) {
    SCOPED_TRACE(reset ? "reset" : "closed");
    const std::string dir = freshDirectory(reset ? "reset" : "closed").string();
    ManagedRun run(dir, {"-a", "a.txt", "-b", "b.bin"});
    ASSERT_EQ(run.greeting.size(), 10u);
    // Greeting, then processor time (16 bytes) and a record (9 + 13 * 15
    // bytes) per replication: wait for three replications.
    const size_t perReplication = 16 + 9 + kWindows * (7 + 8);
    EXPECT_EQ(ReceiveBytes(*run.manager, 3 * perReplication).size(), 3 * perReplication);
    if (reset) {
      const linger abort{1, 0};  // close with a reset instead of an orderly end
      ::setsockopt(run.manager->Handle(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    ::close(run.manager->Handle());
    EXPECT_EQ(run.process.Wait(20), 1) << run.process.Err();
    EXPECT_TRUE(contains(run.process.Err(), "Lost the simulation manager")) << run.process.Err();
    const int replications = CompleteReplications(dir + "/a.txt");
    EXPECT_GE(replications, 3);
    EXPECT_EQ(readBinary(dir + "/b.bin").all(), readAscii(dir + "/a.txt"));
    EXPECT_TRUE(contains(readBinary(dir + "/b.bin").header,
                         ",BATCHES=" + std::to_string(replications) + ",,"));
  }
}

// The local address of the listening socket on `port`, as /proc/net/tcp
// shows it ("0100007F" is 127.0.0.1), empty when there is none.
std::string ListeningAddress(int port) {
  std::ifstream table("/proc/net/tcp");
  char portText[8];
  std::snprintf(portText, sizeof portText, ":%04X", port);
  for (std::string line; std::getline(table, line);) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (state == "0A" && local.ends_with(portText)) return local.substr(0, local.find(':'));
  }
  return "";
}

TEST(HostileManager, ListenerIsOnTheLoopbackInterfaceUnlessAskedOtherwise) {
  const std::string dir = freshDirectory("listen").string();
  for (auto [extra, address] : {std::pair{std::vector<std::string>{}, "0100007F"},
                                {std::vector<std::string>{"-i", "0.0.0.0"}, "00000000"}}) {
    SimulatorProcess process(dir, ManagedRun::withDefaults(extra));
    const int port = process.Port();
    ASSERT_GT(port, 0) << process.Out();
    EXPECT_TRUE(SimulatorProcess::Eventually([&] { return ListeningAddress(port) == address; }))
        << readFile("/proc/net/tcp");
    process.Signal(SIGTERM);
    EXPECT_EQ(process.Wait(20), 128 + SIGTERM);
  }
  const RunResult bad = runSimulator(dir, "-w -i 127.1 -e 0");
  EXPECT_EQ(bad.status, 1);
  EXPECT_TRUE(contains(bad.err, "after '-i'")) << bad.err;
}

}  // namespace
