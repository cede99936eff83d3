// The simulation-manager protocol over real loopback connections, with the
// test acting as the manager. Every wait is bounded.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>

#include "Executive/CorvaxSocket.h"
#include "Executive/DataPacket.h"
#include "Executive/ProcessExitStatus.h"
#include "OutputTestSupport.h"
#include "support/Capture.h"

using namespace output_test;

namespace {
bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string reply(unsigned char kind, unsigned char command) {
  return bigEndian(10, 4) + static_cast<char>(kind) + static_cast<char>(command) +
         bigEndian(static_cast<uint32_t>(::getpid()), 4);
}
}  // namespace

TEST(ManagerLink, ConnectionIsAnnouncedAndGreetedWithTheProcessId) {
  OutputParts sim;
  {
    CorvaxSocket probe;  // a port that was free a moment ago
    ASSERT_TRUE(probe.Bind(0));
    sim.settings.SetPort(static_cast<uint16_t>(probe.LocalPort()));
  }
  sim.link.SetSelectSlice(100);
  const uint16_t port = sim.settings.Port();
  testing::internal::CaptureStdout();
  auto waiting =
      std::async(std::launch::async, [&] { return sim.link.WaitForSimMgrConnection(5000); });
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
  CorvaxSocket* connection = waiting.get();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "REGISTER:  Port: [" + std::to_string(port) + "]\n");
  ASSERT_NE(connection, nullptr);
  EXPECT_EQ(sim.link.ManagerSocket(), connection);
  EXPECT_EQ(receive(*manager, 10), reply(0xFF, 1));
  EXPECT_EQ(sim.progress.GetStatus(), RunProgress::Running);

  // A busy port moves to the next; no manager means no socket, in time.
  OutputParts other;
  other.settings.SetPort(port);
  other.link.SetSelectSlice(50);
  const auto start = std::chrono::steady_clock::now();
  const std::string announced =
      StdoutOf([&] { EXPECT_EQ(other.link.WaitForSimMgrConnection(200), nullptr); });
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_GT(other.settings.Port(), port);
  EXPECT_EQ(announced, "REGISTER:  Port: [" + std::to_string(other.settings.Port()) + "]\n");
  EXPECT_EQ(other.link.ListenSocket()->LocalPort(), other.settings.Port());
}

// Standard output that connects to the announced port the moment the
// announcement is flushed, as a manager that reads it would at once.
class ConnectingOnAnnouncement : public std::stringbuf {
 public:
  std::unique_ptr<CorvaxSocket> manager;
  bool connected = false;

 protected:
  int sync() override {
    const std::string text = str();
    const std::string prefix = "REGISTER:  Port: [";
    const size_t at = text.find(prefix);
    if (manager == nullptr && at != std::string::npos &&
        text.find("]\n", at) != std::string::npos) {
      manager = std::make_unique<CorvaxSocket>();
      connected = manager->Connect("127.0.0.1", std::stoi(text.substr(at + prefix.size())));
    }
    return 0;
  }
};

TEST(ManagerLink, AManagerThatConnectsAsSoonAsItReadsThePortIsAccepted) {
  OutputParts sim;
  sim.settings.SetPort(0);  // a port the system chooses
  sim.link.SetSelectSlice(100);
  ConnectingOnAnnouncement out;
  std::streambuf* const standardOutput = std::cout.rdbuf(&out);
  CorvaxSocket* connection = nullptr;
  const std::string refusals =
      StderrOf([&] { connection = sim.link.WaitForSimMgrConnection(2000); });
  std::cout.rdbuf(standardOutput);
  EXPECT_TRUE(out.connected) << refusals;
  ASSERT_NE(connection, nullptr);
  ASSERT_NE(out.manager, nullptr);
  boundReceives(*out.manager);
  EXPECT_EQ(out.str(), "REGISTER:  Port: [" + std::to_string(sim.settings.Port()) + "]\n");
  EXPECT_EQ(receive(*out.manager, 10), reply(0xFF, 1));  // greeted
}

// A simulator's output side connected to the test, which plays the manager.
struct ManagerCommands : testing::Test, OutputParts {
  void SetUp() override { link.Adopt(pair.server); }
  // Sends one command and lets the simulator answer it.
  void command(const std::string& bytes) {
    ASSERT_EQ(pair.client.Send(bytes.data(), bytes.size()), static_cast<int>(bytes.size()));
    link.SetPollTime(2000);
    link.ListenToSimMgr();
  }
  LoopbackPair pair;
};

TEST_F(ManagerCommands, PingUnknownByteAndEmptyPollLeaveTheRunGoingUntilQuit) {
  link.ListenToSimMgr();  // nothing pending: returns at once
  EXPECT_FALSE(pair.client.Select(50));
  command("\x01");
  EXPECT_EQ(receive(pair.client, 10), reply(0xFF, 1));
  EXPECT_EQ(StderrOf([&] { command("\x07"); }),
            "!! Invalid Response Received by Client \n!! Simulation\n");
  EXPECT_FALSE(pair.client.Select(50));
  EXPECT_EQ(progress.GetStatus(), RunProgress::Running);
  EXPECT_EQ(link.ManagerSocket(), pair.server);

  EXPECT_EQ(StdoutOf([&] { command("\x02"); }), "SOCKET::Quit\n");
  EXPECT_EQ(receive(pair.client, 10), reply(0xFE, 2));
  EXPECT_EQ(progress.GetStatus(), RunProgress::Stopped);
}

TEST_F(ManagerCommands, BinaryFileCommandCreatesTheFileAndDisconnects) {
  // A plain name in the working directory; the next command in the same
  // segment does not hold the command up.
  const std::string name = "corvax_" + std::to_string(::getpid()) + "_out.bin";
  command("\x03" + name + ";25;;\x01");
  EXPECT_EQ(receive(pair.client, 10), reply(0xFF, 3));
  EXPECT_EQ(receive(pair.client, 1), "");  // closed by the simulator
  EXPECT_EQ(link.ManagerSocket(), nullptr);
  EXPECT_EQ(settings.MaxBatches(), 25);
  ASSERT_NE(writer.BinStream(), nullptr);
  writer.FinishBinaryFileAtEndOfRun();
  EXPECT_EQ(readFile(name), writer.CreateBinFileHeader(1));
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
    LoopbackPair pair;
    OutputParts sim;
    sim.link.Adopt(pair.server);
    sim.settings.SetASCIIFileName(ascii);
    sim.link.SetPollTime(2000);
    ProcessExitStatus::Clear();
    ASSERT_EQ(pair.client.Send(c.bytes.data(), c.bytes.size()), static_cast<int>(c.bytes.size()));
    EXPECT_TRUE(contains(StderrOf([&] { sim.link.ListenToSimMgr(); }), c.message)) << c.message;
    EXPECT_EQ(receive(pair.client, 11), c.answered ? reply(0xFF, 3) : "");
    EXPECT_EQ(std::tuple(sim.progress.GetStatus(), ProcessExitStatus::Value(),
                         sim.link.ManagerSocket(), sim.writer.BinStream()),
              std::tuple(RunProgress::Stopped, 1, nullptr, nullptr));
  }
  ProcessExitStatus::Clear();
}

TEST_F(ManagerCommands, DrainStreamsProcessorTimeAndRecordsUntilTheManagerIsGone) {
  settings.SetClientID(0x105);
  settings.SetExperiment(4);
  drain.StartPackets(1);
  drain.Primary().Counts[0] = 1;
  drain.Primary().ValuesOf(0)[0] = 2.0;
  ASSERT_TRUE(drain.CheckReportSize(1.5));
  EXPECT_EQ(receive(pair.client, 40), bigEndian(12, 4) + "\xfe\x05" + bigEndian(4, 2) +
                                          std::string("\x3f\xf8\0\0\0\0\0\0", 8) +
                                          bigEndian(24, 4) + "\x05" + bigEndian(4, 2) +
                                          bigEndian(1, 2) + bigEndian(0, 2) + "\x01" +
                                          bigEndian(1, 4) + std::string("\x40\0\0\0\0\0\0\0", 8));

  // A manager that went away stops the run with status 1; the record of
  // that report still reaches the file.
  const std::string ascii = tempPath("lost.txt");
  settings.SetASCIIFileName(ascii);
  writer.OpenResultFiles();
  pair.client.Close();
  ProcessExitStatus::Clear();
  drain.Primary().Counts[0] = 1;
  drain.Primary().ValuesOf(0)[0] = 2.0;
  const std::string message = StderrOf([&] { drain.CheckReportSize(100.0); });
  EXPECT_TRUE(contains(message, "Lost the simulation manager (it closed the connection)"))
      << message;
  EXPECT_EQ(std::tuple(progress.GetStatus(), ProcessExitStatus::Value(), link.ManagerSocket()),
            std::tuple(RunProgress::Stopped, 1, nullptr));
  EXPECT_EQ(results::readAscii(ascii)[0], (std::vector<double>{2.0}));
  writer.CloseFiles();
  std::remove(ascii.c_str());
  ProcessExitStatus::Clear();
}

TEST_F(ManagerCommands, SendsThatFailAfterTheQuitCommandAreNoFailure) {
  drain.StartPackets(1);
  drain.Primary().Counts[0] = 1;
  ProcessExitStatus::Clear();
  StdoutOf([&] { command("\x02"); });
  pair.client.Close();
  for (int i = 0; i < 20 && !link.LinkLost(); i++) drain.CheckReportSize(100.0);
  EXPECT_TRUE(link.LinkLost());
  EXPECT_EQ(std::tuple(progress.GetStatus(), ProcessExitStatus::Value()),
            std::tuple(RunProgress::Stopped, 0));
}
