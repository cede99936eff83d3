// A test acting as the simulation manager drives the real executable: port
// announcement, greeting, processor-time messages, data records, quit. The
// simulator's stream is decoded by the study tool's parser; every wait is
// bounded.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "Executive/CorvaxSocket.h"
#include "MessageParser.h"
#include "SimulatorRun.h"

using namespace results;

namespace {

using Clock = std::chrono::steady_clock;

TEST(ManagerLink, GreetingRecordsAndQuit) {
  ChildProcess simulator;
  std::string error, out;
  // In an environment of its own: env replaces itself with the simulator.
  ASSERT_TRUE(
      simulator.Start({"/usr/bin/env", "-i", "PATH=/usr/bin:/bin", MB_BINARY_DIR "/movingblock-sim",
                       "-w", "-n", "1", "-e", "0", "-p", "24680"},
                      error, freshDirectory("manager")))
      << error;
  // Reads the simulator's output until it holds `text`, at most 20 s.
  auto printed = [&](const std::string& text) {
    for (auto end = Clock::now() + std::chrono::seconds(20);
         !contains(out, text) && Clock::now() < end && simulator.StdoutFd() >= 0;
         std::this_thread::sleep_for(std::chrono::milliseconds(10)))
      if (!ReadAvailable(simulator.StdoutFd(), out)) simulator.CloseStdout();
    return contains(out, text);
  };
  ASSERT_TRUE(printed("]\n")) << out;
  const int port = std::stoi(out.substr(out.find("REGISTER:  Port: [") + 18));

  std::unique_ptr<CorvaxSocket> manager;  // it announces before it listens: retry
  testing::internal::CaptureStderr();     // refused attempts report themselves
  for (int attempt = 0; attempt < 100 && !manager; attempt++, usleep(50000)) {
    manager = std::make_unique<CorvaxSocket>();
    if (!manager->Connect("127.0.0.1", port)) manager.reset();
  }
  testing::internal::GetCapturedStderr();
  ASSERT_NE(manager, nullptr);

  MessageParser parser;
  std::vector<SimulatorMessage> messages;
  // Collects messages until `done` holds, at most 20 s.
  auto collect = [&](auto done) {
    char buffer[4096];
    for (auto end = Clock::now() + std::chrono::seconds(20); !done() && Clock::now() < end;) {
      if (!manager->Select(500)) continue;
      const int got = manager->Recv(buffer, sizeof buffer);
      if (got <= 0) break;
      parser.Feed(reinterpret_cast<const uint8_t*>(buffer), got);
      for (SimulatorMessage m; parser.Next(m);) messages.push_back(m);
    }
    return done();
  };
  int records = 0;
  ASSERT_TRUE(collect([&] {
    records = 0;
    for (const auto& m : messages) records += std::holds_alternative<DataRecord>(m);
    return records >= 3;
  })) << parser.Error();
  const auto* greeting = std::get_if<ControlMessage>(&messages[0]);
  ASSERT_NE(greeting, nullptr);
  EXPECT_TRUE(greeting->IsGreeting());
  EXPECT_EQ(greeting->pid, static_cast<uint32_t>(simulator.Pid()));
  // Processor-time messages and records of one observation per window
  // (-n 1); all 11 trains have left by 700.
  for (size_t i = 1; i < messages.size(); i++) {
    if (const auto* time = std::get_if<ProcessorTimeMessage>(&messages[i])) {
      EXPECT_GE(time->seconds, 0.0);
    } else {
      const DataRecord& record = std::get<DataRecord>(messages[i]);
      ASSERT_EQ(record.sections.size(), 13u);
      EXPECT_EQ(record.sections[12].values, std::vector<double>{11.0});
    }
  }

  ASSERT_EQ(manager->Send("\x02", 1), 1);  // quit
  ASSERT_TRUE(collect([&] {
    return std::any_of(messages.begin(), messages.end(), [](const SimulatorMessage& m) {
      return std::holds_alternative<ControlMessage>(m) && std::get<ControlMessage>(m).IsQuitReply();
    });
  })) << parser.Error();
  EXPECT_TRUE(simulator.WaitFor(10)) << simulator.EndDescription();
  EXPECT_TRUE(simulator.ExitedCleanly()) << simulator.EndDescription();
  EXPECT_TRUE(printed("SOCKET::Quit\n")) << out;
  EXPECT_FALSE(parser.Failed()) << parser.Error();
}

}  // namespace
