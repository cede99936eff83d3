// A test acting as the simulation manager drives the real executable: port
// announcement, greeting, processor-time messages, data records, quit.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "SimulatorRun.h"

namespace {

using Clock = std::chrono::steady_clock;

// Reads from fd until `predicate(buffer)` holds or the deadline passes.
template <class Predicate>
bool readUntil(int fd, std::string& buffer, Clock::time_point deadline, Predicate predicate) {
  char chunk[4096];
  while (!predicate(buffer)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<size_t>(n));
  }
  return true;
}

class ManagerLink : public testing::Test {
 protected:
  void TearDown() override {
    if (manager >= 0) close(manager);
    if (output >= 0) close(output);
    if (child > 0 && waitpid(child, nullptr, WNOHANG) == 0) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
  }

  // Starts the simulator with -w and returns the port it announces.
  int start(const std::string& dir, std::vector<std::string> arguments) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    child = fork();
    if (child == 0) {
      if (chdir(dir.c_str()) != 0) _exit(127);
      dup2(pipeFds[1], STDOUT_FILENO);
      close(pipeFds[0]);
      const std::string program = MB_BINARY_DIR "/movingblock-sim";
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (auto& a : arguments) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(pipeFds[1]);
    output = pipeFds[0];
    const std::string marker = "REGISTER:  Port: [";
    if (!readUntil(output, announced, Clock::now() + std::chrono::seconds(20), [&](const std::string& b) {
          const size_t at = b.find(marker);
          return at != std::string::npos && b.find("]\n", at) != std::string::npos;
        }))
      return -1;
    return std::stoi(announced.substr(announced.find(marker) + marker.size()));
  }

  bool connectTo(int port) {
    manager = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int attempt = 0; attempt < 100; attempt++) {  // it may announce before it listens
      if (connect(manager, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return true;
      usleep(50000);
    }
    return false;
  }

  pid_t child = -1;
  int output = -1;
  int manager = -1;
  std::string announced;
};

TEST_F(ManagerLink, GreetingRecordsAndQuit) {
  const std::string dir = freshDirectory("manager");
  const int port = start(dir, {"-w", "-n", "1", "-e", "0", "-p", "24680"});
  ASSERT_GT(port, 0) << announced;
  ASSERT_TRUE(connectTo(port));

  std::string stream;
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  ASSERT_TRUE(readUntil(manager, stream, deadline, [](const std::string& b) { return b.size() >= 10; }));
  const auto* greeting = reinterpret_cast<const unsigned char*>(stream.data());
  EXPECT_EQ(readBig32(greeting), 10u);
  EXPECT_EQ(greeting[4], 0xFF);
  EXPECT_EQ(greeting[5], 1);
  EXPECT_EQ(static_cast<pid_t>(readBig32(greeting + 6)), child);
  stream.erase(0, 10);

  // Processor-time messages, each followed by a record of one observation
  // per window (-n 1): 9 + 13 * 7 + 13 * 8 bytes.
  int records = 0;
  while (records < 3) {
    ASSERT_TRUE(readUntil(manager, stream, deadline, [](const std::string& b) {
      return b.size() >= 5 && b.size() >= readBig32(reinterpret_cast<const unsigned char*>(b.data())) +
                                               (b[4] == '\xFE' ? 4u : 0u);
    }));
    const auto* bytes = reinterpret_cast<const unsigned char*>(stream.data());
    if (readBig32(bytes) == 12) {
      EXPECT_EQ(bytes[4], 0xFE);
      EXPECT_GE(readBigDouble(bytes + 8), 0.0);
      stream.erase(0, 16);
      continue;
    }
    ASSERT_EQ(readBig32(bytes), 9u + 13 * 7 + 13 * 8);
    EXPECT_EQ(readBig16(bytes + 7), 13);
    EXPECT_EQ(readBigDouble(bytes + 9 + 12 * 15 + 7), 11.0);  // window [0, 700]
    stream.erase(0, readBig32(bytes));
    records++;
  }

  const char quit = 2;
  ASSERT_EQ(send(manager, &quit, 1, 0), 1);
  ASSERT_TRUE(readUntil(manager, stream, deadline, [](const std::string& b) {
    return b.find(std::string("\xFE\x02", 2)) != std::string::npos;
  }));
  int status = -1;
  for (int i = 0; i < 200 && waitpid(child, &status, WNOHANG) == 0; i++) usleep(50000);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  child = -1;
  std::string rest;
  readUntil(output, rest, Clock::now() + std::chrono::seconds(5),
            [](const std::string& b) { return b.find("GOOD EXIT") != std::string::npos; });
  EXPECT_NE((announced + rest).find("SOCKET::Quit\n"), std::string::npos);
}

}  // namespace
