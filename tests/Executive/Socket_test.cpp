// Socket, mutex, condition and thread wrappers, and the packet queue.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "Executive/CorvaxCond.h"
#include "Executive/CorvaxMutex.h"
#include "Executive/CorvaxSocket.h"
#include "Executive/CorvaxThread.h"
#include "Executive/DataPacket.h"
#include "Executive/PacketQueue.h"
#include "LoopbackPair.h"


TEST(CorvaxSocket, BindReportsABusyPortQuietlyAndOtherFailuresLoudly) {
  CorvaxSocket first;
  ASSERT_TRUE(first.Bind(0));
  ASSERT_TRUE(first.Listen(1));
  EXPECT_TRUE(CorvaxSocket::SocketLibraryStarted());
  CorvaxSocket second;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(second.Bind(first.LocalPort()));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(second.PortWasInUse());
  EXPECT_EQ(second.GetErrorString(), nullptr);

  CorvaxSocket unopened(false);
  EXPECT_EQ(unopened.Handle(), -1);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(unopened.Bind(0));
  EXPECT_FALSE(unopened.Select(0));
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_EQ(messages.rfind("error in bind.  errno=", 0), 0u);
  EXPECT_NE(messages.find("(Port=0)"), std::string::npos);
  EXPECT_STREQ(unopened.GetErrorString(), "error in select");
  EXPECT_LT(unopened.Send("x", 1), 1);
}

TEST(CorvaxSocket, SendDeliversWholeBuffersAndRecvBlockStopsAtTerminatorOrClose) {
  LoopbackPair pair;
  std::unique_ptr<CorvaxSocket> server(pair.server);
  EXPECT_FALSE(server->Select(0));

  std::string big(4 << 20, '\0');
  for (size_t i = 0; i < big.size(); i++) big[i] = static_cast<char>(i * 7);
  std::string received(big.size(), '\0');
  int got = 0;
  std::thread reader([&] { got = server->RecvBlock(received.data(), received.size()); });
  EXPECT_EQ(pair.client.Send(big.data(), big.size()), static_cast<int>(big.size()));
  reader.join();
  EXPECT_EQ(got, static_cast<int>(big.size()));
  EXPECT_EQ(received, big);

  char text[513];
  ASSERT_EQ(pair.client.Send("out.bin;25;;", 12), 12);
  ASSERT_TRUE(server->Select(2000));
  EXPECT_EQ(server->RecvBlock(text, 512, ";;"), 12);
  EXPECT_STREQ(text, "out.bin;25;;");

  // A peer that closes ends the block with what has arrived.
  ASSERT_EQ(pair.client.Send("abc", 3), 3);
  pair.client.Close();
  EXPECT_EQ(server->RecvBlock(text, 512, ";;"), 3);
  EXPECT_STREQ(text, "abc");
}

TEST(CorvaxSync, MutexNamesCountUpAndConditionWakesOneWaiter) {
  CorvaxMutex a;
  CorvaxMutex b;
  CorvaxMutex c;
  const int first = std::stoi(a.Name().substr(5));
  EXPECT_EQ(a.Name(), "mutex" + std::to_string(first));
  EXPECT_EQ(b.Name(), "mutex" + std::to_string(first + 1));
  EXPECT_EQ(c.Name(), "mutex" + std::to_string(first + 2));

  CorvaxCond cond;
  cond.Signal();  // nobody waits: lost
  struct Shared {
    CorvaxMutex* mutex;
    CorvaxCond* cond;
    bool go = false;  // guarded by mutex
    std::atomic<bool> woke{false};
  } shared{&a, &cond};
  CorvaxThread waiter(
      [](void* argument) -> unsigned long {
        auto* s = static_cast<Shared*>(argument);
        s->mutex->Get();
        while (!s->go) s->cond->Wait(*s->mutex);
        s->woke = true;
        s->mutex->Release();
        return 7;
      },
      &shared);
  waiter.Start();
  for (int i = 0; i < 200 && cond.Waiters() == 0; i++) CorvaxThread::Sleep(5);
  EXPECT_EQ(cond.Waiters(), 1);
  CorvaxThread::Sleep(20);
  EXPECT_FALSE(shared.woke);
  a.Get();
  shared.go = true;
  a.Release();
  cond.Signal();
  for (int i = 0; i < 400 && !shared.woke; i++) CorvaxThread::Sleep(5);
  EXPECT_TRUE(shared.woke);
  waiter.WaitUntilDone();
  EXPECT_EQ(waiter.Result(), 7u);
}

TEST(PacketQueue, RingWrapsDropsWhenFullAndCountsCorrectly) {
  PacketQueue queue(3);
  DataPacket p1(0, 0, 1, 1), p2(0, 0, 1, 1), p3(0, 0, 1, 1), p4(0, 0, 1, 1);
  DataPacket* taken = nullptr;
  EXPECT_FALSE(queue.Take(taken));
  EXPECT_TRUE(queue.Put(&p1));
  EXPECT_TRUE(queue.Put(&p2));
  EXPECT_TRUE(queue.Take(taken));
  EXPECT_EQ(taken, &p1);
  EXPECT_TRUE(queue.Put(&p3));
  EXPECT_TRUE(queue.Put(&p4));  // tail wraps
  EXPECT_EQ(queue.FillCount(), 3);
  EXPECT_FALSE(queue.Put(&p1));
  for (DataPacket* expected : {&p2, &p3, &p4}) {
    ASSERT_TRUE(queue.Take(taken));
    EXPECT_EQ(taken, expected);
  }
  EXPECT_TRUE(queue.IsEmpty());
  EXPECT_EQ(queue.FillCount(), 0);

  DataPacket fresh(3, 4, 2, 5);
  EXPECT_EQ(fresh.Counts[1], 0);
  EXPECT_EQ(fresh.ValuesOf(1)[4], 0.0);
}
