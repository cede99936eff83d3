#ifndef TESTS_EXECUTIVE_OUTPUT_TEST_SUPPORT_H
#define TESTS_EXECUTIVE_OUTPUT_TEST_SUPPORT_H

// Helpers for the tests of result files, output drain and manager link.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cstring>
#include <string>

#include "Executive/CorvaxSocket.h"
#include "Executive/ManagerLink.h"
#include "Executive/OutputDrain.h"
#include "Executive/ResultFileWriter.h"
#include "Executive/RunProgress.h"
#include "Executive/RunSettings.h"
#include "support/ResultReaders.h"

namespace output_test {

using results::readFile;
using results::tempPath;

// The output side of a simulator, without a model: settings, progress,
// result files, manager link and report hand-over, wired as the simulator
// wires them.
struct OutputParts {
  RunSettings settings;
  RunProgress progress;
  ResultFileWriter writer{settings, progress};
  ManagerLink link{settings, writer, progress};
  OutputDrain drain{settings, writer, link, progress};
};

inline std::string bigEndian(uint32_t value, int size) {
  std::string bytes;
  for (int i = size - 1; i >= 0; i--) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

// Reads up to size bytes, waiting at most two seconds for each piece.
inline std::string receive(CorvaxSocket& socket, int size) {
  std::string bytes;
  char buffer[1024];
  while (static_cast<int>(bytes.size()) < size && socket.Select(2000)) {
    const int got = socket.Recv(buffer, std::min<int>(size - bytes.size(), sizeof buffer));
    if (got <= 0) break;
    bytes.append(buffer, got);
  }
  return bytes;
}

inline void boundReceives(CorvaxSocket& socket) {
  const timeval limit{5, 0};
  setsockopt(socket.Handle(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

// Both ends of one loopback TCP connection on a port the system picks. Every
// receive gives up after five seconds, so no test can hang on a lost byte.
struct LoopbackPair {
  LoopbackPair() {
    EXPECT_TRUE(listener.Bind(0) && listener.Listen(1));
    EXPECT_TRUE(client.Connect("127.0.0.1", listener.LocalPort()));
    EXPECT_TRUE(listener.Accept(*server));
    boundReceives(client);
    boundReceives(*server);
  }
  CorvaxSocket listener;
  CorvaxSocket client;
  // The simulator's end; whoever it is handed to deletes it.
  CorvaxSocket* server = new CorvaxSocket(false);
};

}  // namespace output_test

#endif
