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
#include "Executive/SimulatorClass.h"
#include "OutputTestSupport.h"

namespace {

using namespace output_test;

// A simulator with one observed PV writing an ASCII file, ready to report.
struct DrainFixture : testing::Test {
  void SetUp() override {
    path = tempPath(testing::UnitTest::GetInstance()->current_test_info()->name());
    sim.Settings().SetReportSize(2);
    sim.NumPVs = 1;
    sim.Settings().SetASCIIFileName(path);
    sim.OpenResultFiles();
    sim.Primary = sim.CreateDataPacket(1);
    sim.Companion = sim.CreateDataPacket(1);
  }
  void TearDown() override { std::remove(path.c_str()); }

  // Records one observation and hands the packets over.
  bool report(double value, double processorTime) {
    sim.Primary->Counts[0] = 1;
    sim.Primary->ValuesOf(0)[0] = value;
    return sim.CheckReportSize(processorTime);
  }
  int dataLines() { return static_cast<int>(results::readAscii(path)[0].size()); }

  std::string path;
  SimulatorClass sim;
};

}  // namespace

TEST_F(DrainFixture, FirstTenReportsDrainAtOnceThenCollectUpToFiftyEntries) {
  for (int i = 1; i <= 10; i++) {
    EXPECT_TRUE(report(i, 0.0)) << "report " << i;
    EXPECT_EQ(dataLines(), i);
  }
  // Cheap drains: reports 11 to 34 wait, the 35th finds 50 entries queued.
  for (int i = 11; i <= 34; i++) EXPECT_FALSE(report(i, 0.0)) << "report " << i;
  EXPECT_EQ(sim.FullQueue->FillCount(), 48);
  EXPECT_EQ(dataLines(), 10);
  EXPECT_TRUE(report(35, 0.0));
  EXPECT_EQ(sim.FullQueue->FillCount(), 0);
  const std::string text = readFile(path);
  EXPECT_NE(text.find("0,33.0\n0,34.0\n0,35.0\n"), std::string::npos);
  EXPECT_EQ(dataLines(), 35);

  // Expensive drains are not deferred.
  EXPECT_TRUE(report(36, 100.0));
}

TEST_F(DrainFixture, FinishingRunAlwaysDrainsAndEndsStopped) {
  for (int i = 1; i <= 12; i++) report(i, 0.0);
  EXPECT_EQ(dataLines(), 10);
  sim.Progress().SetStatus(RunProgress::Finishing);
  EXPECT_TRUE(report(13, 0.0));
  EXPECT_EQ(std::tuple(sim.Progress().GetStatus(), dataLines()), std::tuple(RunProgress::Stopped, 13));
  // A run stopped by other means (quit, failed send) also keeps its records.
  EXPECT_TRUE(report(14, 0.0));
  EXPECT_EQ(dataLines(), 14);
}

TEST_F(DrainFixture, FailedSendStopsTheRunButFilesReceiveEveryRecord) {
  const std::string binPath = path + ".bin";
  sim.Settings().SetBinFileName(binPath);
  sim.BinStream = sim.CreateBinFile(sim.Settings().BinFileName());
  sim.ManagerSocket = new CorvaxSocket(false);  // no connection: every send fails
  for (int i = 0; i < 3; i++) {
    auto* primary = sim.CreateDataPacket(1);
    primary->Counts[0] = 1;
    primary->ValuesOf(0)[0] = i;
    sim.FullQueue->Put(primary);
    sim.FullQueue->Put(sim.CreateDataPacket(1));
  }
  sim.Progress().SetBatchesCompleted(3);
  ProcessExitStatus::Clear();
  EXPECT_EQ(sim.OutputThreadFunc(), 0);
  // The manager is lost: the run fails, and later records skip the socket.
  EXPECT_EQ(std::tuple(sim.Progress().GetStatus(), sim.FullQueue->FillCount(), sim.FreeQueue->FillCount(), dataLines(),
                       sim.ManagerLinkLost, ProcessExitStatus::Value()),
            std::tuple(RunProgress::Stopped, 0, 6, 3, true, 1));
  ProcessExitStatus::Clear();
  sim.FinishBinaryFileAtEndOfRun();
  const std::string bin = readFile(binPath);
  EXPECT_EQ(bin.size(), 256u + 3 * 24);
  EXPECT_NE(bin.find("BATCHES=3,,"), std::string::npos);
  std::remove(binPath.c_str());
}

TEST_F(DrainFixture, ResetMovesQueuedPacketsBackUnwritten) {
  sim.FullQueue->Put(sim.CreateDataPacket(1));
  sim.FullQueue->Put(sim.CreateDataPacket(1));
  sim.ResetDataPacketBuffer();
  EXPECT_EQ(std::tuple(sim.FullQueue->FillCount(), sim.FreeQueue->FillCount(), dataLines(), sim.Primary->Capacity),
            std::tuple(0, 2, 0, 2));
  EXPECT_EQ(sim.Primary->ClientID, sim.Settings().ClientID());
}
