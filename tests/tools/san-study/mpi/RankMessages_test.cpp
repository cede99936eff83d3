// The messages between the ranks and the placement of streams on them.
#include "RankMessages.h"

#include <gtest/gtest.h>

#include <map>

TEST(RankMessages, ReadBackAsWrittenAndRefuseShortOnes) {
  const std::vector<Replication> block{{1.5, -2.0}, {0.0, 1e300}};
  const std::vector<char> bytes = BlockMessage(3, 1, 0.25, block);
  MessageReader reader(bytes);
  EXPECT_EQ(reader.Kind(), RankMessage::Block);
  EXPECT_EQ(reader.Integer(), 3);
  EXPECT_EQ(reader.Integer(), 1);
  EXPECT_EQ(reader.Number(), 0.25);
  EXPECT_EQ(reader.Integer(), 2);
  EXPECT_EQ(reader.Integer(), 2);
  for (const Replication& r : block)
    for (double x : r) EXPECT_EQ(reader.Number(), x);
  EXPECT_THROW(reader.Integer(), std::runtime_error);

  const std::vector<char> end =
      MessageWriter(RankMessage::End).Put(std::int64_t{7}).Put("crashed \xff").Take();
  MessageReader text(end);
  EXPECT_EQ(text.Kind(), RankMessage::End);
  EXPECT_EQ(text.Integer(), 7);
  EXPECT_EQ(text.Text(), "crashed \xff");
  const std::vector<char> cut(end.begin(), end.end() - 3);
  MessageReader shorter(cut);
  shorter.Kind();
  shorter.Integer();
  EXPECT_THROW(shorter.Text(), std::runtime_error);
}

TEST(StreamPlacement, StreamsGoToTheRanksInTurn) {
  const std::vector<int> streams{3, 1, 4, 2};
  for (int ranks : {1, 2, 3, 5}) {
    const StreamPlacement placement(streams, ranks);
    std::map<int, int> perRank;
    int position = 0;
    for (std::size_t run = 0; run < streams.size(); run++) {
      std::map<int, int> ofRun;
      for (int s = 0; s < streams[run]; s++, position++) {
        const int rank = placement.Rank(run, s);
        EXPECT_EQ(rank, position % ranks);
        ofRun[rank]++;
        perRank[rank]++;
      }
      // No rank holds more of one experiment's streams than its share.
      for (const auto& [rank, count] : ofRun) EXPECT_LE(count, (streams[run] + ranks - 1) / ranks);
      for (int rank : placement.OtherRanks(run)) EXPECT_TRUE(rank != 0 && ofRun.count(rank));
      EXPECT_EQ(placement.OtherRanks(run).size(), ofRun.size() - ofRun.count(0));
    }
    EXPECT_EQ(position, 10);
  }
}
