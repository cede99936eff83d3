#include "SimulatorRun.h"

#include <sys/wait.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string freshDirectory(const std::string& name) {
  const fs::path dir = fs::path(MB_BINARY_DIR) / "test-runs" / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

RunResult runSimulator(const std::string& dir, const std::string& arguments,
                       const std::string& environment) {
  const std::string command = "cd '" + dir + "' && env " + environment + " '" MB_BINARY_DIR
                              "/movingblock-sim' " + arguments + " >stdout.txt 2>stderr.txt";
  const int raw = std::system(command.c_str());
  RunResult result;
  result.status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  result.out = readFile(dir + "/stdout.txt");
  result.err = readFile(dir + "/stderr.txt");
  return result;
}

std::map<int, std::vector<double>> readAsciiObservations(const std::string& path) {
  std::map<int, std::vector<double>> values;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t comma = line.find(',');
    values[std::stoi(line.substr(0, comma))].push_back(std::stod(line.substr(comma + 1)));
  }
  return values;
}

uint32_t readBig32(const unsigned char* b) {
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}
uint16_t readBig16(const unsigned char* b) { return static_cast<uint16_t>((b[0] << 8) | b[1]); }
double readBigDouble(const unsigned char* b) {
  const uint64_t bits = (uint64_t{readBig32(b)} << 32) | readBig32(b + 4);
  return std::bit_cast<double>(bits);
}

BinaryResults readBinaryResults(const std::string& path) {
  const std::string bytes = readFile(path);
  BinaryResults results;
  if (bytes.size() < 256) return results;
  results.header = std::string(bytes.c_str());  // the text up to its padding
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t at = 256;
  while (at + 9 <= bytes.size()) {
    const uint32_t length = readBig32(data + at);
    const uint16_t sections = readBig16(data + at + 7);
    size_t p = at + 9;
    for (int s = 0; s < sections; s++) {
      const uint16_t pv = readBig16(data + p);
      const uint32_t n = readBig32(data + p + 3);
      p += 7;
      for (uint32_t k = 0; k < n; k++, p += 8) results.values[pv].push_back(readBigDouble(data + p));
    }
    if (p != at + length) break;  // malformed: stop reading
    at += length;
    results.records++;
  }
  return results;
}
