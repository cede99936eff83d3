// Result files: headers, records and value text byte for byte, and the
// reports for result files that cannot be opened or written.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "Executive/DataPacket.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/RecordEncoder.h"
#include "Executive/SimulatorClass.h"
#include "OutputTestSupport.h"
#include "support/Capture.h"

using namespace output_test;

namespace {
// Observations of PVs 0 and 2 of a packet of three PVs; PV 1 has none.
void fill(DataPacket& packet, std::vector<double> pv0, std::vector<double> pv2) {
  for (auto [pv, values] : {std::pair{0, pv0}, {2, pv2}}) {
    packet.Counts[pv] = static_cast<int>(values.size());
    std::copy(values.begin(), values.end(), packet.ValuesOf(pv));
  }
}
}  // namespace

TEST(ResultFiles, BinaryHeaderIsAlways256BytesWithEveryPieceThatFits) {
  using Type = RunSettings::RandomNumberGeneratorType;
  const std::string prefix =
      "CORVAX_SIM_BIN_FILE,256,CORVAX_VER=Version 2.5,FILE_VER=1,EXPERIMENTS=";
  for (auto [experiment, seed, type, batches, text] :
       {std::tuple{0, 31415u, Type{0}, 0, "0,SEED=31415,RANDOMGEN=Lagged Fibonacci,BATCHES=0,,"},
        {-1, UINT32_MAX, Type{2}, INT_MIN,
         "4294967295,SEED=4294967295,RANDOMGEN=Mersenne Twister,BATCHES=-2147483648,,"},
        {3, 0u, Type{3}, 100, "3,SEED=31415,RANDOMGEN=Unknown,BATCHES=100,,"}}) {
    OutputParts parts;
    parts.settings.SetExperiment(experiment);
    parts.settings.SetSeed(seed);
    parts.settings.SetGeneratorType(type);
    parts.progress.SetBatchesCompleted(batches);
    const std::string header = parts.writer.CreateBinFileHeader(1);
    EXPECT_EQ(header, (prefix + text).append(256 - prefix.size() - std::string(text).size(), '\0'));
  }
}

TEST(ResultFiles, OutputPrimitivesAreBigEndianOnTheSocketAndTheStream) {
  LoopbackPair pair;
  std::ostringstream stream;
  const double values[] = {1.5, -2.5};
  EXPECT_EQ(ResultFileWriter::OutputInt(pair.server, &stream, 0x01020304), 4);
  EXPECT_EQ(ResultFileWriter::OutputShort(pair.server, &stream, -2), 2);
  EXPECT_EQ(ResultFileWriter::OutputByte(nullptr, &stream, '\x7f'), 1);
  EXPECT_EQ(ResultFileWriter::Output(pair.server, nullptr, values, 2), 16);
  EXPECT_EQ(stream.str(), std::string("\x01\x02\x03\x04\xff\xfe\x7f", 7));
  EXPECT_EQ(receive(pair.client, 22),
            std::string("\x01\x02\x03\x04\xff\xfe", 6) +
                std::string("\x3f\xf8\0\0\0\0\0\0\xc0\x04\0\0\0\0\0\0", 16));
  // A send that fails returns -1; the stream has the bytes all the same.
  pair.client.Close();
  std::ostringstream kept;
  int result = 0;
  for (int i = 0; i < 100 && result != -1; i++)
    result = ResultFileWriter::OutputInt(pair.server, &kept, 7);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(kept.str().substr(kept.str().size() - 4), std::string("\0\0\0\x07", 4));
  delete pair.server;

  // Byte reversal of the little-endian host representation.
  EXPECT_EQ(std::bit_cast<uint64_t>(ResultFileWriter::EndianConvertDouble(1.5)), 0xF83Full);

  // ASCII values keep one decimal and drop other trailing zeros.
  for (auto [value, text] : {std::pair{1.5, "1.5"},
                             {2.0, "2.0"},
                             {0.0, "0.0"},
                             {1e-11, "0.0"},
                             {-2.5, "-2.5"},
                             {0.1234567891, "0.1234567891"},
                             {100.0, "100.0"}})
    EXPECT_EQ(ResultFileWriter::FormatAsciiValue(value), text);
}

TEST(ResultFiles, FilesGetHeadersAtOpenAndFinalValuesAtClose) {
  const std::string ascii = tempPath("run.txt"), binary = tempPath("run.bin");
  std::string finalHeader;
  {
    OutputParts parts;
    ResultFileWriter& writer = parts.writer;
    parts.settings.SetExperiment(2);
    parts.settings.SetSeed(0);
    parts.settings.SetASCIIFileName(ascii);
    parts.settings.SetBinFileName(binary);
    writer.OpenResultFiles();
    DataPacket packet(1, 2, 3, 2);
    fill(packet, {3, 0.25}, {-1});
    std::vector<unsigned char> record;
    RecordEncoder::DataRecord(packet, record);
    writer.WriteBinaryRecord(record);
    writer.UpdateBinFileHeader(*writer.BinStream());
    writer.WriteBinaryRecord(record);
    writer.WriteAsciiRecord(packet, *writer.AsciiStream());
    parts.progress.SetBatchesCompleted(42);
    finalHeader = writer.CreateBinFileHeader(1);
    writer.FinishBinaryFileAtEndOfRun();
    EXPECT_EQ(writer.BinStream(), nullptr);
  }  // the ASCII file is closed with the writer
  EXPECT_EQ(
      readFile(ascii),
      "#CORVAX_SIM_ASCII_FILE,CORVAX_VER=Version 2.5,FILE_VER=1,EXPERIMENTS=2,SEED=31415,"
      "RANDOMGEN=Lagged Fibonacci\n#FORMAT: (PV ID Number),(PV Value)\n0,3.0\n0,0.25\n2,-1.0\n"
      "#META_DATA,BATCHES=42\n");
  const std::string bin = readFile(binary);
  const size_t record = 9 + 7 * 2 + 8 * 3;
  ASSERT_EQ(bin.size(), 256 + 2 * record);
  EXPECT_EQ(bin.substr(0, 256), finalHeader);
  EXPECT_EQ(bin.substr(256, record), bin.substr(256 + record, record));
  std::remove(ascii.c_str());
  std::remove(binary.c_str());
}

TEST(ResultFilesDeathTest, UnopenableOrUnwritableResultFilesFail) {
  const char* asciiArgs[] = {"sim", "-a", "/nonexistent-dir/out.txt"};
  EXPECT_EXIT(SimulatorClass(3, const_cast<char**>(asciiArgs)), testing::ExitedWithCode(1),
              "Cannot open ASCII result file '/nonexistent-dir/out.txt': No such file");
  const char* binArgs[] = {"sim", "-b", "/nonexistent-dir/out.bin"};
  EXPECT_EXIT(SimulatorClass(3, const_cast<char**>(binArgs)), testing::ExitedWithCode(1),
              "Cannot open binary result file '/nonexistent-dir/out.bin': No such file");

  // A file that cannot take its header is refused at once; one that fails
  // later fails the exit status when it is closed.
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  EXPECT_EXIT(
      {
        OutputParts parts;
        parts.settings.SetASCIIFileName("/dev/full");
        parts.writer.OpenResultFiles();
      },
      testing::ExitedWithCode(1), "Cannot open ASCII result file '/dev/full': No space left");
  ProcessExitStatus::Clear();
  EXPECT_NE(StderrOf([] {
              OutputParts parts;
              parts.settings.SetASCIIFileName("/dev/full");
              std::ofstream stream("/dev/full");
              parts.writer.CloseAsciiFile(stream);
            }).find("ASCII result file '/dev/full' could not be written"),
            std::string::npos);
  EXPECT_EQ(ProcessExitStatus::Value(), 1);
  ProcessExitStatus::Clear();
}
