#ifndef CORVAX_RUN_SETTINGS_H
#define CORVAX_RUN_SETTINGS_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class BaseStudyClass;

// The settings of one run, as the command line gives them (Parse), with
// their defaults when an option is absent. A value: the simulator keeps one
// and hands it to the parts that need it. Three settings change during the
// run: the manager link moves the port to the one it could bind, and the
// manager's binary-file command names the binary file and the number of
// batches.
class RunSettings {
 public:
  enum RandomNumberGeneratorType : int32_t {
    LaggedFibonacciGenerator = 0,
    TauswortheGenerator = 1,
    MersenneTwisterGenerator = 2
  };
  static constexpr uint32_t DefaultSeed = 31415;

  // Fills the settings from argv[1..argc-1], echoing every accepted option
  // on standard output; 0, or 1 after a message on standard error. With a
  // study, -e must name one of its experiments.
  short Parse(int argc, char** argv, const BaseStudyClass* study);
  static void PrintUsage();
  // "Lagged Fibonacci", "Tausworthe", "Mersenne Twister" or "Unknown".
  static std::string GeneratorName(RandomNumberGeneratorType type);

  // The files this run will write, as (role, path): result files and trace
  // files that were named.
  std::vector<std::pair<std::string, std::string>> OutputFiles() const;
  // Ends the process with status 1 when two of the run's output files are
  // one file. Called before any file is opened.
  void CheckOutputPaths() const;
  // The trace files of a trace file name: the name with ".txt" (plain) or
  // ".xml" appended.
  std::string PlainTracePath() const;
  std::string XMLTracePath() const;

  // Null when not given.
  const char* OverrideString() const { return text(overrideString_); }
  int32_t ReportSize() const { return reportSize_; }
  uint16_t Port() const { return port_; }
  int32_t ClientID() const { return clientId_; }
  int32_t Experiment() const { return experiment_; }
  // Nonzero: terminating simulation; 0: steady state.
  int32_t SimulationType() const { return simulationType_; }
  const char* TraceFileName() const { return text(traceFileName_); }
  int32_t TraceLevel() const { return traceLevel_; }
  bool PlainTraceOn() const { return plainTraceOn_; }
  bool XMLTraceOn() const { return xmlTraceOn_; }
  // As given; 0 stands for DefaultSeed when the generator is seeded.
  uint32_t Seed() const { return seed_; }
  uint32_t SeedUsed() const { return seed_ != 0 ? seed_ : DefaultSeed; }
  // 0: unlimited.
  int32_t MaxBatches() const { return maxBatches_; }
  const char* ASCIIFileName() const { return text(asciiFileName_); }
  const char* BinFileName() const { return text(binFileName_); }
  bool WaitForSocket() const { return waitForSocket_; }
  RandomNumberGeneratorType GeneratorType() const { return generatorType_; }
  // IPv4 address (host byte order) the manager link listens on (-i).
  uint32_t ListenAddress() const { return listenAddress_; }

  // Each setter stands for its option (as Parse would set it, without the
  // echo), or for a change the run itself makes.
  void SetReportSize(int32_t size);
  void SetPort(uint16_t port) { port_ = port; }
  void SetClientID(int32_t id) { clientId_ = id; }
  void SetExperiment(int32_t experiment) { experiment_ = experiment; }
  void SetSimulationType(int32_t type) { simulationType_ = type; }
  void SetSeed(uint32_t seed) { seed_ = seed; }
  void SetMaxBatches(int32_t batches) { maxBatches_ = batches; }
  void SetASCIIFileName(std::string name) { asciiFileName_ = std::move(name); }
  void SetBinFileName(std::string name) { binFileName_ = std::move(name); }
  void SetGeneratorType(RandomNumberGeneratorType type) { generatorType_ = type; }

 private:
  static const char* text(const std::optional<std::string>& value) {
    return value ? value->c_str() : nullptr;
  }

  std::optional<std::string> overrideString_;
  int32_t reportSize_ = 1000;
  uint16_t port_ = 10000;
  int32_t clientId_ = 0;
  int32_t experiment_ = 0;
  int32_t simulationType_ = 1;
  std::optional<std::string> traceFileName_;
  int32_t traceLevel_ = 1;
  bool plainTraceOn_ = false;
  bool xmlTraceOn_ = false;
  uint32_t seed_ = DefaultSeed;
  int32_t maxBatches_ = 0;
  std::optional<std::string> asciiFileName_;
  std::optional<std::string> binFileName_;
  bool waitForSocket_ = false;
  RandomNumberGeneratorType generatorType_ = LaggedFibonacciGenerator;
  // The loopback interface unless other interfaces are asked for explicitly.
  uint32_t listenAddress_ = 0x7F000001;
};

#endif
