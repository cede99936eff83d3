#ifndef MB_TEST_RESULT_READERS_H
#define MB_TEST_RESULT_READERS_H

// Reading back what a run wrote: whole files, and the observations of the
// ASCII and binary result files. Header-only, so that every test folder
// (with or without the test support library) can use it.
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace results {

// Per PV index, the observations in order.
using Observations = std::map<int, std::vector<double>>;

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// A path in the temporary folder that no other test process uses.
inline std::string tempPath(const std::string& leaf) {
  return (std::filesystem::temp_directory_path() /
          ("corvax_" + std::to_string(::getpid()) + "_" + leaf))
      .string();
}

// A fresh empty folder.
inline std::filesystem::path freshDirectory(const std::string& leaf) {
  const std::filesystem::path dir = tempPath(leaf);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// The data lines "index,value" of an ASCII result file.
inline Observations readAscii(const std::string& path) {
  Observations values;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const size_t comma = line.find(',');
    values[std::stoi(line.substr(0, comma))].push_back(std::stod(line.substr(comma + 1)));
  }
  return values;
}

inline uint64_t bigEndianAt(const std::string& bytes, size_t at, int size) {
  uint64_t value = 0;
  for (int i = 0; i < size; i++)
    value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
  return value;
}

// A binary result file: its header text and, per data record, the
// observations it carries. Reading stops at a record whose length does not
// match its sections.
struct BinaryResults {
  std::string header;
  std::vector<Observations> records;
  Observations all() const {  // every record's observations, in order
    Observations joined;
    for (const Observations& record : records)
      for (const auto& [pv, values] : record)
        joined[pv].insert(joined[pv].end(), values.begin(), values.end());
    return joined;
  }
};

inline BinaryResults readBinary(const std::string& path) {
  const std::string bytes = readFile(path);
  BinaryResults results;
  if (bytes.size() < 256) return results;
  results.header = bytes.c_str();  // the text up to its padding
  for (size_t at = 256; at + 9 <= bytes.size();) {
    const size_t length = bigEndianAt(bytes, at, 4);
    size_t p = at + 9;
    Observations record;
    for (int s = static_cast<int>(bigEndianAt(bytes, at + 7, 2)); s > 0 && p + 7 <= bytes.size();
         s--) {
      std::vector<double>& values = record[static_cast<int>(bigEndianAt(bytes, p, 2))];
      const size_t n = bigEndianAt(bytes, p + 3, 4);
      for (p += 7; p + 8 <= bytes.size() && values.size() < n; p += 8)
        values.push_back(std::bit_cast<double>(bigEndianAt(bytes, p, 8)));
    }
    if (p != at + length) break;
    results.records.push_back(record);
    at += length;
  }
  return results;
}

}  // namespace results

#endif
