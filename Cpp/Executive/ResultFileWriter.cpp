// The ASCII and binary result files, and the output primitives.
#include "Executive/ResultFileWriter.h"

#include <bit>
#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "Executive/CorvaxSocket.h"
#include "Executive/DataPacket.h"
#include "Executive/FileSync.h"
#include "Executive/ProcessExitStatus.h"
#include "Executive/RecordEncoder.h"
#include "Executive/RunProgress.h"
#include "Executive/RunSettings.h"

namespace {

constexpr const char* kProductVersion = "Version 2.5";

// Sends the bytes on the socket (if any) and writes them to the stream (if
// any); the stream receives them even when the send fails.
int emit(CorvaxSocket* socket, std::ostream* stream, const RecordEncoder::Bytes& bytes) {
  const int size = static_cast<int>(bytes.size());
  int result = size;
  if (socket != nullptr && size > 0 &&
      socket->Send(reinterpret_cast<const char*>(bytes.data()), size) < 1)
    result = -1;
  if (stream != nullptr) stream->write(reinterpret_cast<const char*>(bytes.data()), size);
  return result;
}

void reportUnwritten(const char* kind, const char* name) {
  std::cerr << "ERROR: The " << kind << " result file '" << (name ? name : "")
            << "' could not be written completely" << std::endl;
  ProcessExitStatus::Fail();
}

// Flushes the stream, syncs the file to disk and closes it; a failure of
// any step is reported and fails the run.
void syncAndClose(std::ofstream& stream, const char* kind, const char* name) {
  stream.flush();
  const int syncError = stream.good() && name != nullptr ? SyncFileToDisk(name) : 0;
  stream.close();
  if (stream.fail()) {
    reportUnwritten(kind, name);
  } else if (syncError != 0) {
    std::cerr << "ERROR: The " << kind << " result file '" << name
              << "' could not be synced to disk: " << std::strerror(syncError) << std::endl;
    ProcessExitStatus::Fail();
  }
}

}  // namespace

ResultFileWriter::ResultFileWriter(const RunSettings& settings, const RunProgress& progress)
    : settings_(settings), progress_(progress) {}

ResultFileWriter::~ResultFileWriter() { CloseFiles(); }

std::string ResultFileWriter::FormatAsciiValue(double value) {
  char text[400];
  std::snprintf(text, sizeof text, "%.10lf", value);
  std::string result(text);
  const size_t point = result.find('.');
  if (point == std::string::npos) return result;  // inf, nan
  size_t end = result.size();
  while (end > point + 2 && result[end - 1] == '0') end--;
  result.resize(end);
  return result;
}

std::unique_ptr<std::ofstream> ResultFileWriter::CreateAsciiFile(const char* fileName) const {
  auto stream = std::make_unique<std::ofstream>(fileName, std::ios::out | std::ios::trunc);
  *stream << "#CORVAX_SIM_ASCII_FILE,"
          << "CORVAX_VER=" << kProductVersion << ","
          << "FILE_VER=" << FileVersion << ","
          << "EXPERIMENTS=" << static_cast<uint32_t>(settings_.Experiment()) << ","
          << "SEED=" << settings_.SeedUsed() << ","
          << "RANDOMGEN=" << RunSettings::GeneratorName(settings_.GeneratorType()) << "\n";
  *stream << "#FORMAT: (PV ID Number),(PV Value)\n";
  stream->flush();  // the header is there even if the run is killed early
  return stream;
}

std::string ResultFileWriter::CreateBinFileHeader(int fileVersion) const {
  std::string text = "CORVAX_SIM_BIN_FILE,";
  text += std::to_string(BinHeaderSize);
  text += std::string(",CORVAX_VER=") + kProductVersion;
  text += ",FILE_VER=" + std::to_string(fileVersion);
  text += ",EXPERIMENTS=" + std::to_string(static_cast<uint32_t>(settings_.Experiment()));
  if (text.size() < BinHeaderSize) {
    const std::string optional[] = {
        ",SEED=" + std::to_string(settings_.SeedUsed()),
        ",RANDOMGEN=" + RunSettings::GeneratorName(settings_.GeneratorType()),
        ",BATCHES=" + std::to_string(progress_.BatchesCompleted()) + ",",
    };
    for (const std::string& piece : optional) {
      if (text.size() + piece.size() > BinHeaderSize - 1) break;
      text += piece;
    }
  }
  text += ",";
  text.resize(BinHeaderSize, '\0');
  return text;
}

std::unique_ptr<std::ofstream> ResultFileWriter::CreateBinFile(const char* fileName) const {
  auto stream =
      std::make_unique<std::ofstream>(fileName, std::ios::out | std::ios::binary | std::ios::trunc);
  const std::string header = CreateBinFileHeader(FileVersion);
  stream->write(header.data(), static_cast<std::streamsize>(header.size()));
  stream->flush();  // the header is there even if the run is killed early
  return stream;
}

void ResultFileWriter::UpdateBinFileHeader(std::ofstream& stream) const {
  const std::string header = CreateBinFileHeader(FileVersion);
  stream.seekp(0, std::ios::beg);
  stream.write(header.data(), static_cast<std::streamsize>(header.size()));
  stream.seekp(0, std::ios::end);
}

void ResultFileWriter::CloseBinFile(std::ofstream& stream) const {
  UpdateBinFileHeader(stream);
  syncAndClose(stream, "binary", settings_.BinFileName());
}

void ResultFileWriter::CloseAsciiFile(std::ofstream& stream) const {
  stream << "#META_DATA,"
         << "BATCHES=" << progress_.BatchesCompleted() << "\n";
  syncAndClose(stream, "ASCII", settings_.ASCIIFileName());
}

void ResultFileWriter::OpenResultFiles() {
  const auto openOrExit = [](const std::ofstream* stream, const char* kind, const char* name) {
    const int error = errno;
    if (stream->is_open() && stream->good()) return;
    std::cerr << "ERROR: Cannot open " << kind << " result file '" << name
              << "': " << std::strerror(error) << std::endl;
    std::exit(1);
  };
  if (settings_.ASCIIFileName() != nullptr) {
    errno = 0;
    ascii_ = CreateAsciiFile(settings_.ASCIIFileName());
    openOrExit(ascii_.get(), "ASCII", settings_.ASCIIFileName());
  }
  if (settings_.BinFileName() != nullptr) {
    errno = 0;
    binary_ = CreateBinFile(settings_.BinFileName());
    openOrExit(binary_.get(), "binary", settings_.BinFileName());
  }
}

int ResultFileWriter::OpenBinaryFileNamed() {
  errno = 0;
  binary_ = CreateBinFile(settings_.BinFileName());
  if (binary_->is_open() && binary_->good()) return 0;
  const int error = errno;
  binary_.reset();
  return error;
}

void ResultFileWriter::FinishBinaryFileAtEndOfRun() {
  if (binary_ == nullptr) return;
  CloseBinFile(*binary_);
  binary_.reset();
}

void ResultFileWriter::CloseFiles() {
  if (ascii_ != nullptr) {
    CloseAsciiFile(*ascii_);
    ascii_.reset();
  }
  FinishBinaryFileAtEndOfRun();
}

double ResultFileWriter::EndianConvertDouble(double value) {
  const auto bits = std::bit_cast<uint64_t>(value);
  const auto low = static_cast<uint32_t>(bits);
  const auto high = static_cast<uint32_t>(bits >> 32);
  const auto swap32 = [](uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
  };
  return std::bit_cast<double>((static_cast<uint64_t>(swap32(low)) << 32) | swap32(high));
}

int ResultFileWriter::Output(CorvaxSocket* socket, std::ostream* stream, const double* values,
                             int n) {
  // Scratch space kept between calls, grown whenever a larger block arrives.
  thread_local RecordEncoder::Bytes scratch;
  scratch.clear();
  RecordEncoder::AppendDoubles(scratch, values, n);
  return emit(socket, stream, scratch);
}

int ResultFileWriter::OutputInt(CorvaxSocket* socket, std::ostream* stream, int value) {
  RecordEncoder::Bytes bytes;
  RecordEncoder::AppendInt(bytes, static_cast<uint32_t>(value));
  return emit(socket, stream, bytes);
}

int ResultFileWriter::OutputShort(CorvaxSocket* socket, std::ostream* stream, short value) {
  RecordEncoder::Bytes bytes;
  RecordEncoder::AppendShort(bytes, static_cast<uint16_t>(value));
  return emit(socket, stream, bytes);
}

int ResultFileWriter::OutputByte(CorvaxSocket* socket, std::ostream* stream, char value) {
  RecordEncoder::Bytes bytes;
  RecordEncoder::AppendByte(bytes, static_cast<uint8_t>(value));
  return emit(socket, stream, bytes);
}

void ResultFileWriter::WriteBinaryRecord(const std::vector<unsigned char>& record) {
  if (binary_ == nullptr) return;
  binary_->write(reinterpret_cast<const char*>(record.data()),
                 static_cast<std::streamsize>(record.size()));
  binary_->flush();
}

void ResultFileWriter::WriteAsciiRecord(const DataPacket& packet, std::ostream& asciiStream) const {
  for (int pv = 0; pv < packet.NumPVs; pv++) {
    assert(packet.Counts[pv] <= packet.Capacity);
    const double* values = packet.ValuesOf(pv);
    for (int k = 0; k < packet.Counts[pv]; k++) {
      asciiStream << pv << "," << FormatAsciiValue(values[k]) << "\n";
    }
  }
  asciiStream.flush();
}
