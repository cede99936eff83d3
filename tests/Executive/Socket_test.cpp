// Socket, mutex, condition and thread wrappers, and the packet queue.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "Executive/CorvaxCond.h"
#include "Executive/CorvaxMutex.h"
#include "Executive/CorvaxSocket.h"
#include "Executive/CorvaxThread.h"
#include "Executive/DataPacket.h"
#include "Executive/PacketQueue.h"
#include "OutputTestSupport.h"

TEST(CorvaxSocket, BindReportsABusyPortQuietlyAndOtherFailuresLoudly) {
  CorvaxSocket first, second, unopened(false);
  ASSERT_TRUE(first.Bind(0) && first.Listen(1));
  testing::internal::CaptureStderr();
  EXPECT_TRUE(!second.Bind(first.LocalPort()) && second.PortWasInUse() &&
              second.GetErrorString() == nullptr);
  EXPECT_TRUE(!unopened.Bind(0) && !unopened.Select(0) && unopened.Send("x", 1) < 1);
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_EQ(messages.rfind("error in bind.  errno=", 0), 0u) << messages;
  EXPECT_NE(messages.find("(Port=0)"), std::string::npos);
  EXPECT_STREQ(unopened.GetErrorString(), "error in select");
}

TEST(CorvaxSocket, SendDeliversWholeBuffersAndRecvBlockStopsAtTerminatorOrClose) {
  output_test::LoopbackPair pair;
  std::unique_ptr<CorvaxSocket> server(pair.server);
  EXPECT_FALSE(server->Select(0));

  std::string big(4 << 20, '\0'), received(4 << 20, '\0');
  for (size_t i = 0; i < big.size(); i++) big[i] = static_cast<char>(i * 7);
  int got = 0;
  std::thread reader([&] { got = server->RecvBlock(received.data(), received.size()); });
  EXPECT_EQ(pair.client.Send(big.data(), big.size()), static_cast<int>(big.size()));
  reader.join();
  EXPECT_TRUE(got == static_cast<int>(big.size()) && received == big);

  char text[513];
  ASSERT_EQ(pair.client.Send("out.bin;25;;", 12), 12);
  EXPECT_EQ(server->RecvBlock(text, 512, ";;"), 12);
  EXPECT_STREQ(text, "out.bin;25;;");
  ASSERT_EQ(pair.client.Send("abc", 3), 3);
  pair.client.Close();  // ends the block with what has arrived
  EXPECT_EQ(server->RecvBlock(text, 512, ";;"), 3);
  EXPECT_STREQ(text, "abc");
}

TEST(CorvaxSync, ConditionWakesAWaiter) {
  CorvaxMutex a;

  struct Shared {
    CorvaxMutex* mutex = nullptr;
    CorvaxCond cond;
    bool go = false;  // guarded by mutex
  } shared;
  shared.mutex = &a;
  shared.cond.Signal();  // nobody waits: lost
  CorvaxThread waiter(
      [](void* argument) -> unsigned long {
        auto* s = static_cast<Shared*>(argument);
        s->mutex->Get();
        while (!s->go) s->cond.Wait(*s->mutex);
        s->mutex->Release();
        return 7;
      },
      &shared);
  waiter.Start();
  for (int i = 0; i < 400 && shared.cond.Waiters() == 0; i++) CorvaxThread::Sleep(5);
  EXPECT_EQ(shared.cond.Waiters(), 1);
  a.Get();
  shared.go = true;
  a.Release();
  shared.cond.Signal();
  waiter.WaitUntilDone();
  EXPECT_EQ(waiter.Result(), 7u);
}

TEST(PacketQueue, RingWrapsDropsWhenFullAndCountsCorrectly) {
  PacketQueue queue(3);
  DataPacket p1(0, 0, 1, 1), p2(0, 0, 1, 1), p3(0, 0, 1, 1), p4(0, 0, 2, 5);
  DataPacket* taken = nullptr;
  EXPECT_FALSE(queue.Take(taken));
  EXPECT_TRUE(queue.Put(&p1) && queue.Put(&p2) && queue.Take(taken) && taken == &p1);
  EXPECT_TRUE(queue.Put(&p3) && queue.Put(&p4));  // tail wraps
  EXPECT_EQ(queue.FillCount(), 3);
  EXPECT_FALSE(queue.Put(&p1));
  for (DataPacket* expected : {&p2, &p3, &p4}) EXPECT_TRUE(queue.Take(taken) && taken == expected);
  EXPECT_EQ(queue.FillCount(), 0);
  EXPECT_EQ(p4.Counts[1] + p4.ValuesOf(1)[4], 0.0);
}
