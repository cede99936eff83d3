// Framing of the manager's commands and the strict reading of command 3.
#include "Executive/ManagerCommandReader.h"

#include <gtest/gtest.h>

#include <string>

using Status = ManagerCommandReader::Status;

TEST(ManagerCommandReader, FramesCommandsAndKeepsWhatFollows) {
  ManagerCommandReader reader;
  ManagerCommandReader::Command command;
  EXPECT_EQ(reader.Next(command), Status::Incomplete);

  // Command 3 and a ping in one segment: the ping is the next command.
  const std::string segment = "\x03tp.bin;5;;\x01";
  reader.Append(segment.data(), segment.size());
  ASSERT_EQ(reader.Next(command), Status::Ready);
  EXPECT_EQ(command.code, 3);
  EXPECT_EQ(command.text, "tp.bin;5");
  ASSERT_EQ(reader.Next(command), Status::Ready);
  EXPECT_EQ(command.code, 1);
  EXPECT_TRUE(command.text.empty());
  EXPECT_TRUE(reader.Empty());

  // A text in pieces waits for its ";;" and consumes nothing meanwhile.
  reader.Append("\x03out.bin;2;", 11);
  EXPECT_EQ(reader.Next(command), Status::Incomplete);
  EXPECT_EQ(reader.Room(), 513u - 11);
  reader.Append(";", 1);
  ASSERT_EQ(reader.Next(command), Status::Ready);
  EXPECT_EQ(command.text, "out.bin;2");

  // At most 512 bytes, the ";;" included.
  for (const auto& [textLength, expected] :
       {std::pair{510, Status::Ready}, {511, Status::TooLong}}) {
    reader.Clear();
    const std::string bytes = "\x03" + std::string(textLength, 'a') + ";;";
    reader.Append(bytes.data(), bytes.size());
    EXPECT_EQ(reader.Next(command), expected) << textLength;
  }
  EXPECT_EQ(reader.Room(), 0u);
}

TEST(BinaryFileRequest, AcceptsOnlyPlainNamesAndCountsFromOne) {
  for (const auto& [text, name, batches] : {std::tuple{"out.bin;25", "out.bin", 25},
                                            {"a;1", "a", 1},
                                            {"a;007", "a", 7},
                                            {"..x;2147483647", "..x", 2147483647}}) {
    BinaryFileRequest request;
    std::string reason;
    ASSERT_TRUE(BinaryFileRequest::Parse(text, request, reason)) << text << ": " << reason;
    EXPECT_EQ(request.name, name);
    EXPECT_EQ(request.batches, batches);
  }
  for (const char* text : {"../victim.txt;5", "d/f;5", ".;5", "..;5", ";5", "a\tb;5", "a\x7f;5",
                           "a;0", "a;-1", "a;2147483648", "a;", "a", "a;5;6", "a; 5", "a;+5"}) {
    BinaryFileRequest request;
    std::string reason;
    EXPECT_FALSE(BinaryFileRequest::Parse(text, request, reason)) << text;
    EXPECT_FALSE(reason.empty()) << text;
  }
}
