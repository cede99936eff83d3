// The simulation-manager protocol over real loopback connections, with the
// test acting as the manager. Every wait is bounded.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <fstream>
#include <string>
#include <tuple>

#include "Executive/CorvaxSocket.h"
#include "Executive/DataPacket.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/SimulatorClass.h"
#include "OutputTestSupport.h"
#include "support/Capture.h"

using namespace output_test;

namespace {
bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string reply(unsigned char kind, unsigned char command) {
  return bigEndian(10, 4) + static_cast<char>(kind) + static_cast<char>(command) +
         bigEndian(static_cast<uint32_t>(::getpid()), 4);
}
}  // namespace

TEST(ManagerLink, ConnectionIsAnnouncedAndGreetedWithTheProcessId) {
  SimulatorClass sim;
  {
    CorvaxSocket probe;  // a port that was free a moment ago
    ASSERT_TRUE(probe.Bind(0));
    sim.Settings().SetPort(static_cast<uint16_t>(probe.LocalPort()));
  }
  sim.SelectSlice = 100;
  const uint16_t port = sim.Settings().Port();
  testing::internal::CaptureStdout();
  auto waiting = std::async(std::launch::async, [&] { return sim.WaitForSimMgrConnection(5000); });
  std::unique_ptr<CorvaxSocket> manager;
  testing::internal::CaptureStderr();  // refused attempts report themselves
  for (int attempt = 0; attempt < 200 && !manager; attempt++) {
    manager = std::make_unique<CorvaxSocket>();
    if (!manager->Connect("127.0.0.1", port)) manager.reset(), usleep(10000);
  }
  testing::internal::GetCapturedStderr();
  ASSERT_NE(manager, nullptr);
  boundReceives(*manager);
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  sim.ManagerSocket = waiting.get();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "REGISTER:  Port: [" + std::to_string(port) + "]\n");
  ASSERT_NE(sim.ManagerSocket, nullptr);
  EXPECT_EQ(receive(*manager, 10), reply(0xFF, 1));
  EXPECT_EQ(sim.Progress().GetStatus(), RunProgress::Running);

  // A busy port moves to the next; no manager means no socket, in time.
  SimulatorClass other;
  other.Settings().SetPort(port);
  other.SelectSlice = 50;
  const auto start = std::chrono::steady_clock::now();
  const std::string announced = StdoutOf([&] { EXPECT_EQ(other.WaitForSimMgrConnection(200), nullptr); });
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_GT(other.Settings().Port(), port);
  EXPECT_EQ(announced, "REGISTER:  Port: [" + std::to_string(other.Settings().Port()) + "]\n");
  EXPECT_EQ(other.ListenSocket->LocalPort(), other.Settings().Port());
}

// A simulator connected to the test, which plays the manager.
struct ManagerCommands : testing::Test {
  void SetUp() override { sim.ManagerSocket = link.server; }
  // Sends one command and lets the simulator answer it.
  void command(const std::string& bytes) {
    ASSERT_EQ(link.client.Send(bytes.data(), bytes.size()), static_cast<int>(bytes.size()));
    sim.PollTime = 2000;
    sim.ListenToSimMgr(sim.ManagerSocket);
  }
  LoopbackPair link;
  SimulatorClass sim;
};

TEST_F(ManagerCommands, PingUnknownByteAndEmptyPollLeaveTheRunGoingUntilQuit) {
  sim.ListenToSimMgr(sim.ManagerSocket);  // nothing pending: returns at once
  EXPECT_FALSE(link.client.Select(50));
  command("\x01");
  EXPECT_EQ(receive(link.client, 10), reply(0xFF, 1));
  EXPECT_EQ(StderrOf([&] { command("\x07"); }), "!! Invalid Response Received by Client \n!! Simulation\n");
  EXPECT_FALSE(link.client.Select(50));
  EXPECT_EQ(sim.Progress().GetStatus(), RunProgress::Running);
  EXPECT_EQ(sim.ManagerSocket, link.server);

  EXPECT_EQ(StdoutOf([&] { command("\x02"); }), "SOCKET::Quit\n");
  EXPECT_EQ(receive(link.client, 10), reply(0xFE, 2));
  EXPECT_EQ(sim.Progress().GetStatus(), RunProgress::Stopped);
}

TEST_F(ManagerCommands, BinaryFileCommandCreatesTheFileAndDisconnects) {
  // A plain name in the working directory; the next command in the same
  // segment does not hold the command up.
  const std::string name = "corvax_" + std::to_string(::getpid()) + "_out.bin";
  command("\x03" + name + ";25;;\x01");
  EXPECT_EQ(receive(link.client, 10), reply(0xFF, 3));
  EXPECT_EQ(receive(link.client, 1), "");  // closed by the simulator
  EXPECT_EQ(sim.ManagerSocket, nullptr);
  EXPECT_EQ(sim.Settings().MaxBatches(), 25);
  ASSERT_NE(sim.BinStream, nullptr);
  sim.FinishBinaryFileAtEndOfRun();
  EXPECT_EQ(readFile(name), sim.CreateBinFileHeader(1));
  std::remove(name.c_str());
}

// Refusals that the real simulator's tests do not reach: each ends the run
// with status 1 and closes the link; only the valid command whose file then
// cannot be created has been answered.
TEST(ManagerCommandRefusals, EndTheRunWithStatusOne) {
  const std::string ascii = "corvax_" + std::to_string(::getpid()) + "_a.txt";
  const struct {
    std::string bytes;
    const char* message;
    bool answered;
  } cases[] = {
      {"\x03" + ascii + ";5;;", "is the ASCII result file", false},
      {"\x03" + std::string(600, 'a'), "no ';;' within 512 bytes", false},
      {"\x03" + std::string(300, 'n') + ";5;;", "cannot create the binary result file", true},
  };
  for (const auto& c : cases) {
    LoopbackPair link;
    SimulatorClass sim;
    sim.ManagerSocket = link.server;
    sim.Settings().SetASCIIFileName(ascii);
    sim.PollTime = 2000;
    ProcessExitStatus::Clear();
    ASSERT_EQ(link.client.Send(c.bytes.data(), c.bytes.size()), static_cast<int>(c.bytes.size()));
    EXPECT_TRUE(contains(StderrOf([&] { sim.ListenToSimMgr(sim.ManagerSocket); }), c.message)) << c.message;
    EXPECT_EQ(receive(link.client, 11), c.answered ? reply(0xFF, 3) : "");
    EXPECT_EQ(std::tuple(sim.Progress().GetStatus(), ProcessExitStatus::Value(), sim.ManagerSocket, sim.BinStream),
              std::tuple(RunProgress::Stopped, 1, nullptr, nullptr));
  }
  ProcessExitStatus::Clear();
}

TEST_F(ManagerCommands, DrainStreamsProcessorTimeAndRecordsUntilTheManagerIsGone) {
  sim.Settings().SetClientID(0x105);
  sim.Settings().SetExperiment(4);
  sim.Primary = sim.CreateDataPacket(1);
  sim.Companion = sim.CreateDataPacket(1);
  sim.Primary->Counts[0] = 1;
  sim.Primary->ValuesOf(0)[0] = 2.0;
  ASSERT_TRUE(sim.CheckReportSize(1.5));
  EXPECT_EQ(receive(link.client, 40), bigEndian(12, 4) + "\xfe\x05" + bigEndian(4, 2) +
                                          std::string("\x3f\xf8\0\0\0\0\0\0", 8) + bigEndian(24, 4) + "\x05" +
                                          bigEndian(4, 2) + bigEndian(1, 2) + bigEndian(0, 2) + "\x01" +
                                          bigEndian(1, 4) + std::string("\x40\0\0\0\0\0\0\0", 8));

  // A manager that went away stops the run with status 1; the record of
  // that report still reaches the file.
  sim.Settings().SetASCIIFileName(tempPath("lost.txt"));
  sim.AsciiStream = new std::ofstream(sim.Settings().ASCIIFileName());
  link.client.Close();
  ProcessExitStatus::Clear();
  sim.Primary->Counts[0] = 1;
  sim.Primary->ValuesOf(0)[0] = 2.0;
  const std::string message = StderrOf([&] { sim.CheckReportSize(100.0); });
  EXPECT_TRUE(contains(message, "Lost the simulation manager (it closed the connection)")) << message;
  EXPECT_EQ(std::tuple(sim.Progress().GetStatus(), ProcessExitStatus::Value(), sim.ManagerSocket),
            std::tuple(RunProgress::Stopped, 1, nullptr));
  EXPECT_EQ(readFile(sim.Settings().ASCIIFileName()), "0,2.0\n");
  std::remove(sim.Settings().ASCIIFileName());
  ProcessExitStatus::Clear();
}

TEST_F(ManagerCommands, SendsThatFailAfterTheQuitCommandAreNoFailure) {
  sim.Primary = sim.CreateDataPacket(1);
  sim.Companion = sim.CreateDataPacket(1);
  sim.Primary->Counts[0] = 1;
  ProcessExitStatus::Clear();
  StdoutOf([&] { command("\x02"); });
  link.client.Close();
  for (int i = 0; i < 20 && !sim.ManagerLinkLost; i++) sim.CheckReportSize(100.0);
  EXPECT_TRUE(sim.ManagerLinkLost);
  EXPECT_EQ(std::tuple(sim.Progress().GetStatus(), ProcessExitStatus::Value()), std::tuple(RunProgress::Stopped, 0));
}
