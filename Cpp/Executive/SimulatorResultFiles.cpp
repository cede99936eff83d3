// The ASCII and binary result files and the primitives through which every
// binary record goes to the manager socket and the binary file alike.
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
#include "Executive/SimulatorClass.h"

namespace {

constexpr const char* kProductVersion = "Version 2.5";
constexpr int kFileVersion = 1;
constexpr size_t kBinHeaderSize = 256;

// Writes the bytes to the socket (if any) and the stream (if any). A failed
// send stops the run and no further bytes go to the socket; the stream still
// receives the bytes.
int emit(SimulatorClass& simulator, CorvaxSocket* socket, std::ostream* stream,
         const unsigned char* bytes, int size) {
  int result = size;
  if (socket != nullptr && size > 0) {
    if (simulator.ManagerLinkLost) {
      result = -1;
    } else if (socket->Send(reinterpret_cast<const char*>(bytes), size) < 1) {
      simulator.ManagerSendFailed();
      result = -1;
    }
  }
  if (stream != nullptr) stream->write(reinterpret_cast<const char*>(bytes), size);
  return result;
}

void putBigEndian(unsigned char* out, uint64_t value, int size) {
  for (int i = size - 1; i >= 0; i--) {
    out[i] = static_cast<unsigned char>(value & 0xFF);
    value >>= 8;
  }
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

std::string SimulatorClass::FormatAsciiValue(double value) {
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

std::ofstream* SimulatorClass::CreateAsciiFile(const char* fileName) {
  auto* stream = new std::ofstream(fileName, std::ios::out | std::ios::trunc);
  *stream << "#CORVAX_SIM_ASCII_FILE," << "CORVAX_VER=" << kProductVersion << ","
          << "FILE_VER=" << kFileVersion << "," << "EXPERIMENTS=" << static_cast<uint32_t>(settings_.Experiment())
          << "," << "SEED=" << settings_.SeedUsed() << "," << "RANDOMGEN=" << RunSettings::GeneratorName(settings_.GeneratorType())
          << "\n";
  *stream << "#FORMAT: (PV ID Number),(PV Value)\n";
  stream->flush();  // the header is there even if the run is killed early
  return stream;
}

std::string SimulatorClass::CreateBinFileHeader(int fileVersion) {
  std::string text = "CORVAX_SIM_BIN_FILE,";
  text += std::to_string(kBinHeaderSize);
  text += std::string(",CORVAX_VER=") + kProductVersion;
  text += ",FILE_VER=" + std::to_string(fileVersion);
  text += ",EXPERIMENTS=" + std::to_string(static_cast<uint32_t>(settings_.Experiment()));
  if (text.size() < kBinHeaderSize) {
    const std::string optional[] = {
        ",SEED=" + std::to_string(settings_.SeedUsed()),
        ",RANDOMGEN=" + RunSettings::GeneratorName(settings_.GeneratorType()),
        ",BATCHES=" + std::to_string(progress_.BatchesCompleted()) + ",",
    };
    for (const std::string& piece : optional) {
      if (text.size() + piece.size() > kBinHeaderSize - 1) break;
      text += piece;
    }
  }
  text += ",";
  text.resize(kBinHeaderSize, '\0');
  return text;
}

std::ofstream* SimulatorClass::CreateBinFile(const char* fileName) {
  auto* stream =
      new std::ofstream(fileName, std::ios::out | std::ios::binary | std::ios::trunc);
  const std::string header = CreateBinFileHeader(kFileVersion);
  stream->write(header.data(), static_cast<std::streamsize>(header.size()));
  stream->flush();  // the header is there even if the run is killed early
  return stream;
}

void SimulatorClass::UpdateBinFileHeader(std::ofstream& stream) {
  const std::string header = CreateBinFileHeader(kFileVersion);
  stream.seekp(0, std::ios::beg);
  stream.write(header.data(), static_cast<std::streamsize>(header.size()));
  stream.seekp(0, std::ios::end);
}

void SimulatorClass::CloseBinFile(std::ofstream& stream) {
  UpdateBinFileHeader(stream);
  syncAndClose(stream, "binary", settings_.BinFileName());
}

void SimulatorClass::CloseAsciiFile(std::ofstream& stream) {
  stream << "#META_DATA," << "BATCHES=" << progress_.BatchesCompleted() << "\n";
  syncAndClose(stream, "ASCII", settings_.ASCIIFileName());
}

void SimulatorClass::OpenResultFiles() {
  const auto openOrExit = [](std::ofstream* stream, const char* kind, const char* name) {
    const int error = errno;
    if (stream->is_open() && stream->good()) return;
    std::cerr << "ERROR: Cannot open " << kind << " result file '" << name
              << "': " << std::strerror(error) << std::endl;
    std::exit(1);
  };
  if (settings_.ASCIIFileName() != nullptr) {
    errno = 0;
    AsciiStream = CreateAsciiFile(settings_.ASCIIFileName());
    openOrExit(AsciiStream, "ASCII", settings_.ASCIIFileName());
  }
  if (settings_.BinFileName() != nullptr) {
    errno = 0;
    BinStream = CreateBinFile(settings_.BinFileName());
    openOrExit(BinStream, "binary", settings_.BinFileName());
  }
}

void SimulatorClass::FinishBinaryFileAtEndOfRun() {
  if (BinStream == nullptr) return;
  CloseBinFile(*BinStream);
  delete BinStream;
  BinStream = nullptr;
}

double SimulatorClass::EndianConvertDouble(double value) {
  const auto bits = std::bit_cast<uint64_t>(value);
  const auto low = static_cast<uint32_t>(bits);
  const auto high = static_cast<uint32_t>(bits >> 32);
  const auto swap32 = [](uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
  };
  return std::bit_cast<double>((static_cast<uint64_t>(swap32(low)) << 32) | swap32(high));
}

int SimulatorClass::Output(CorvaxSocket* socket, std::ostream* stream, const double* values,
                           int n) {
  // Scratch space kept between calls: sized for 100 values at first, and
  // grown whenever a larger block arrives.
  thread_local std::vector<unsigned char> scratch(100 * sizeof(double));
  const size_t bytes = static_cast<size_t>(n) * sizeof(double);
  if (bytes > scratch.size()) scratch.resize(bytes);
  for (int i = 0; i < n; i++) {
    putBigEndian(scratch.data() + i * sizeof(double), std::bit_cast<uint64_t>(values[i]), 8);
  }
  return emit(*this, socket, stream, scratch.data(), static_cast<int>(bytes));
}

int SimulatorClass::OutputInt(CorvaxSocket* socket, std::ostream* stream, int value) {
  unsigned char bytes[4];
  putBigEndian(bytes, static_cast<uint32_t>(value), 4);
  return emit(*this, socket, stream, bytes, 4);
}

int SimulatorClass::OutputShort(CorvaxSocket* socket, std::ostream* stream, short value) {
  unsigned char bytes[2];
  putBigEndian(bytes, static_cast<uint16_t>(value), 2);
  return emit(*this, socket, stream, bytes, 2);
}

int SimulatorClass::OutputByte(CorvaxSocket* socket, std::ostream* stream, char value) {
  const auto byte = static_cast<unsigned char>(value);
  return emit(*this, socket, stream, &byte, 1);
}

void SimulatorClass::WriteDataRecord(const DataPacket& packet, CorvaxSocket* socket,
                                     std::ostream* binStream) {
  int64_t sections = 0;
  int64_t observations = 0;
  for (int pv = 0; pv < packet.NumPVs; pv++) {
    assert(packet.Counts[pv] <= packet.Capacity);
    if (packet.Counts[pv] > 0) {
      sections++;
      observations += packet.Counts[pv];
    }
  }
  const int64_t length = 9 + 7 * sections + 8 * observations;
  OutputInt(socket, binStream, static_cast<int>(length));
  OutputByte(socket, binStream, static_cast<char>(packet.ClientID & 0xFF));
  OutputShort(socket, binStream, static_cast<short>(packet.Experiment));
  OutputShort(socket, binStream, static_cast<short>(sections & 0xFFFF));
  for (int pv = 0; pv < packet.NumPVs; pv++) {
    const int count = packet.Counts[pv];
    if (count <= 0) continue;
    OutputShort(socket, binStream, static_cast<short>(pv));
    OutputByte(socket, binStream, 1);
    OutputInt(socket, binStream, count);
    Output(socket, binStream, packet.ValuesOf(pv), count);
  }
  if (binStream != nullptr) binStream->flush();
}

void SimulatorClass::WriteAsciiRecord(const DataPacket& packet, std::ostream& asciiStream) {
  for (int pv = 0; pv < packet.NumPVs; pv++) {
    assert(packet.Counts[pv] <= packet.Capacity);
    const double* values = packet.ValuesOf(pv);
    for (int k = 0; k < packet.Counts[pv]; k++) {
      asciiStream << pv << "," << FormatAsciiValue(values[k]) << "\n";
    }
  }
  asciiStream.flush();
}
