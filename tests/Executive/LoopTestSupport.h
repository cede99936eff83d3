#ifndef TESTS_EXECUTIVE_LOOP_TEST_SUPPORT_H
#define TESTS_EXECUTIVE_LOOP_TEST_SUPPORT_H

// Runs of the simulation loops on an assembled simulator whose reports go
// to a binary result file, read back report by report.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/LoopTestModels.h"
#include "support/SimulatorAssembly.h"

namespace loop_test {

// One report: the observations of every variable that had any.
using Report = std::map<int, std::vector<double>>;

inline uint64_t BigEndian(const std::string& bytes, size_t& at, int size) {
  uint64_t value = 0;
  for (int i = 0; i < size; i++) value = (value << 8) | static_cast<unsigned char>(bytes.at(at++));
  return value;
}

// The data records of a binary result file, after its header.
inline std::vector<Report> ReadReports(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t at = std::stoul(bytes.substr(bytes.find(',') + 1));  // header size
  std::vector<Report> reports;
  while (at < bytes.size()) {
    BigEndian(bytes, at, 4 + 1 + 2);  // length, client, experiment
    Report report;
    for (int sections = static_cast<int>(BigEndian(bytes, at, 2)); sections > 0; sections--) {
      const int pv = static_cast<int>(BigEndian(bytes, at, 2));
      BigEndian(bytes, at, 1);
      std::vector<double>& values = report[pv];
      for (int n = static_cast<int>(BigEndian(bytes, at, 4)); n > 0; n--) {
        const uint64_t bits = BigEndian(bytes, at, 8);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        values.push_back(value);
      }
    }
    reports.push_back(report);
  }
  return reports;
}

// An assembled simulator writing its reports to a fresh binary file.
struct LoopRun {
  LoopRun(std::unique_ptr<PVModel> model, const SimulatorAssembly::Settings& settings)
      : assembly(std::move(model), settings),
        path(testing::TempDir() + "loops_" + std::to_string(::getpid()) + "_" +
             std::to_string(counter++) + ".bin") {
    sim().BinStream = sim().CreateBinFile(path.c_str());
  }
  ~LoopRun() { std::remove(path.c_str()); }

  SimulatorClass& sim() { return assembly.sim; }
  std::vector<Report> Reports() {
    sim().BinStream->flush();
    return ReadReports(path);
  }

  SimulatorAssembly assembly;
  std::string path;
  static inline int counter = 0;
};

inline SimulatorAssembly::Settings Terminating(int maxBatches, int reportSize = 1000) {
  SimulatorAssembly::Settings settings;
  settings.maxBatches = maxBatches;
  settings.reportSize = reportSize;
  return settings;
}

inline SimulatorAssembly::Settings SteadyState(int maxBatches, int reportSize = 1000) {
  SimulatorAssembly::Settings settings = Terminating(maxBatches, reportSize);
  settings.simulationType = 0;
  return settings;
}

}  // namespace loop_test

#endif
