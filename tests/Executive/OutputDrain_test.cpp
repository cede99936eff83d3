// Report hand-over and output drain: deferral rule, end-of-run hand-shake
// and failed sends.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "Executive/CorvaxSocket.h"
#include "Executive/DataPacket.h"
#include "Executive/PacketQueue.h"
#include "Executive/ProcessExitStatus.h"
#include "OutputTestSupport.h"

namespace {

using namespace output_test;

// The output side of a run with one observed PV writing an ASCII file,
// ready to report.
struct DrainFixture : testing::Test, OutputParts {
  void SetUp() override {
    path = tempPath(testing::UnitTest::GetInstance()->current_test_info()->name());
    settings.SetReportSize(2);
    settings.SetASCIIFileName(path);
    writer.OpenResultFiles();
    drain.StartPackets(1);
  }
  void TearDown() override {
    writer.CloseFiles();
    std::remove(path.c_str());
  }

  // Records one observation and hands the packets over.
  bool report(double value, double processorTime) {
    drain.Primary().Counts[0] = 1;
    drain.Primary().ValuesOf(0)[0] = value;
    return drain.CheckReportSize(processorTime);
  }
  int dataLines() { return static_cast<int>(results::readAscii(path)[0].size()); }

  std::string path;
};

}  // namespace

TEST_F(DrainFixture, FirstTenReportsDrainAtOnceThenCollectUpToFiftyEntries) {
  for (int i = 1; i <= 10; i++) {
    EXPECT_TRUE(report(i, 0.0)) << "report " << i;
    EXPECT_EQ(dataLines(), i);
  }
  // Cheap drains: reports 11 to 34 wait, the 35th finds 50 entries queued.
  for (int i = 11; i <= 34; i++) EXPECT_FALSE(report(i, 0.0)) << "report " << i;
  EXPECT_EQ(drain.FullQueue().FillCount(), 48);
  EXPECT_EQ(dataLines(), 10);
  EXPECT_TRUE(report(35, 0.0));
  EXPECT_EQ(drain.FullQueue().FillCount(), 0);
  const std::string text = readFile(path);
  EXPECT_NE(text.find("0,33.0\n0,34.0\n0,35.0\n"), std::string::npos);
  EXPECT_EQ(dataLines(), 35);

  // Expensive drains are not deferred.
  EXPECT_TRUE(report(36, 100.0));
}

TEST_F(DrainFixture, FinishingRunAlwaysDrainsAndEndsStopped) {
  for (int i = 1; i <= 12; i++) report(i, 0.0);
  EXPECT_EQ(dataLines(), 10);
  progress.SetStatus(RunProgress::Finishing);
  EXPECT_TRUE(report(13, 0.0));
  EXPECT_EQ(std::tuple(progress.GetStatus(), dataLines()), std::tuple(RunProgress::Stopped, 13));
  // A run stopped by other means (quit, failed send) also keeps its records.
  EXPECT_TRUE(report(14, 0.0));
  EXPECT_EQ(dataLines(), 14);
}

TEST_F(DrainFixture, FailedSendStopsTheRunButFilesReceiveEveryRecord) {
  const std::string binPath = path + ".bin";
  settings.SetBinFileName(binPath);
  ASSERT_EQ(writer.OpenBinaryFileNamed(), 0);
  link.Adopt(new CorvaxSocket(false));  // no connection: every send fails
  for (int i = 0; i < 3; i++) {
    auto* primary = drain.CreateDataPacket(1);
    primary->Counts[0] = 1;
    primary->ValuesOf(0)[0] = i;
    drain.FullQueue().Put(primary);
    drain.FullQueue().Put(drain.CreateDataPacket(1));
  }
  progress.SetBatchesCompleted(3);
  ProcessExitStatus::Clear();
  EXPECT_EQ(drain.OutputThreadFunc(), 0);
  // The manager is lost: the run fails, and later records skip the socket.
  EXPECT_EQ(
      std::tuple(progress.GetStatus(), drain.FullQueue().FillCount(), drain.FreeQueue().FillCount(),
                 dataLines(), link.LinkLost(), ProcessExitStatus::Value()),
      std::tuple(RunProgress::Stopped, 0, 6, 3, true, 1));
  ProcessExitStatus::Clear();
  writer.FinishBinaryFileAtEndOfRun();
  const std::string bin = readFile(binPath);
  EXPECT_EQ(bin.size(), 256u + 3 * 24);
  EXPECT_NE(bin.find("BATCHES=3,,"), std::string::npos);
  std::remove(binPath.c_str());
}

TEST_F(DrainFixture, ResetMovesQueuedPacketsBackUnwritten) {
  drain.FullQueue().Put(drain.CreateDataPacket(1));
  drain.FullQueue().Put(drain.CreateDataPacket(1));
  drain.ResetDataPacketBuffer();
  EXPECT_EQ(std::tuple(drain.FullQueue().FillCount(), drain.FreeQueue().FillCount(), dataLines(),
                       drain.Primary().Capacity),
            std::tuple(0, 2, 0, 2));
  EXPECT_EQ(drain.Primary().ClientID, settings.ClientID());
}
