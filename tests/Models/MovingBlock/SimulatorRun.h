#ifndef MB_TEST_SIMULATOR_RUN_H
#define MB_TEST_SIMULATOR_RUN_H

// Runs the real movingblock-sim executable and reads its result files.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct RunResult {
  int status = -1;  // exit status, or -1 when the process did not exit normally
  std::string out;
  std::string err;
};

// Runs movingblock-sim with the arguments (a shell word list) in `dir`,
// with the environment assignments given (e.g. "SIMTEST=0").
RunResult runSimulator(const std::string& dir, const std::string& arguments,
                       const std::string& environment = "");

// A fresh empty directory for one test.
std::string freshDirectory(const std::string& name);
std::string readFile(const std::string& path);

// Observations of an ASCII result file: per PV index, the values in order.
std::map<int, std::vector<double>> readAsciiObservations(const std::string& path);

// Data records of a binary result file (after its 256-byte header): per PV
// index, the values in order; also the header text.
struct BinaryResults {
  std::string header;
  int records = 0;
  std::map<int, std::vector<double>> values;
};
BinaryResults readBinaryResults(const std::string& path);

// Big-endian readers of the wire format.
uint32_t readBig32(const unsigned char* bytes);
uint16_t readBig16(const unsigned char* bytes);
double readBigDouble(const unsigned char* bytes);

#endif
