#ifndef TESTS_EXECUTIVE_LOOPBACK_PAIR_H
#define TESTS_EXECUTIVE_LOOPBACK_PAIR_H

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>

#include "Executive/CorvaxSocket.h"

// Both ends of one loopback TCP connection on a port the system picks. Every
// receive on either end gives up after five seconds, so no test can hang on
// a byte that never comes.
struct LoopbackPair {
  LoopbackPair() {
    EXPECT_TRUE(listener.Bind(0));
    EXPECT_TRUE(listener.Listen(1));
    EXPECT_TRUE(client.Connect("127.0.0.1", listener.LocalPort()));
    EXPECT_TRUE(listener.Accept(*server));
    BoundReceives(client);
    BoundReceives(*server);
  }
  static void BoundReceives(CorvaxSocket& socket) {
    const timeval limit{5, 0};
    setsockopt(socket.Handle(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  }
  CorvaxSocket listener;
  CorvaxSocket client;
  // The simulator's end; a test may hand it to a simulator, which owns it.
  CorvaxSocket* server = new CorvaxSocket(false);
};

#endif
