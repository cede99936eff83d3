// The run settings: the command-line parser, its usage text, and the files
// the settings name.
#include "Executive/RunSettings.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <optional>
#include <string>

#include "Common/StrictNumber.h"
#include "Executive/OutputPaths.h"
#include "Study/BaseStudyClass.h"

namespace {

constexpr size_t kMaxArgumentLength = 128;
constexpr long long kInt32Min = std::numeric_limits<int32_t>::min();
constexpr long long kInt32Max = std::numeric_limits<int32_t>::max();

// Largest -n: the study tool asks for at most this many observations per
// report, and the two packets of a report hold 2 x (reward variables) x n
// doubles, 1.6 MB per reward variable at this bound (20.8 MB for the
// railway model's 13).
constexpr long long kMaxReportSize = 100000;

// Reads the parameter of option `letter` as a whole decimal number in
// [min, max]; otherwise writes a message naming the option (with `note`
// after it, if any) and returns false.
template <class T>
bool readNumber(char letter, const char* text, long long min, long long max, T& value,
                const char* note = nullptr) {
  const std::optional<long long> number = ParseWholeInteger(text, min, max);
  if (!number) {
    std::cerr << "ERROR: '-" << letter << "' expects a whole number from " << min << " to " << max
              << ", not '" << text << "'";
    if (note) std::cerr << " (" << note << ")";
    std::cerr << "\n";
    return false;
  }
  value = static_cast<T>(*number);
  return true;
}

bool needsParameter(char letter) {
  return letter != '\0' && std::strchr("abcefinlNOprst", letter) != nullptr;
}

bool isFlag(char letter) {
  return letter == 'm' || letter == 'x' || letter == 'w' || letter == 'h';
}

// Returned by the parser for -h: the caller prints the usage and ends with 0.
constexpr short kHelpRequested = 2;

}  // namespace

std::string RunSettings::GeneratorName(RandomNumberGeneratorType type) {
  switch (type) {
    case LaggedFibonacciGenerator:
      return "Lagged Fibonacci";
    case TauswortheGenerator:
      return "Tausworthe";
    case MersenneTwisterGenerator:
      return "Mersenne Twister";
  }
  return "Unknown";
}

void RunSettings::PrintUsage() {
  std::cerr << "Valid Options\n"
            << "-a <name>: write ASCII output to file <name>\n"
            << "-b <name>: write binary output to file <name>\n"
            << "-c <num>: Client identification number (default=0)\n"
            << "-e <num>: Experiment to run, 'Experiment 1' is num=0 (default = 0)\n"
            << "-f <name>: Trace file base name: the plain trace goes to <name>.txt, the XML "
               "trace (-x) to <name>.xml (default=<stdout>)\n"
            << "-m: Enable Corvax trace (plain text)\n"
            << "-l <num>: Trace Level 0 to 4 (default=1): 0 the model only, 1 every firing, 2 "
               "also the state each firing reads and changes, 3 also the initial state, 4 also "
               "the whole state at the start of every replication or batch\n"
            << "-x: Enable XML trace \n"
            << "-h: Print this usage text, with the model's variables, experiments and "
               "measures, and exit\n"
            << "-n <num>: Replications (or batches) sent in 1 update to SimMgr. (default=1000)\n"
            << "-N <num>: Number of replications (terminating) or batches (steady state) to run "
               "(default=0: until stopped)\n"
            << "-O <text>: Global variable overrides, type:name:value triples separated by ':' "
               "(type d double, i int, s short, c char, b bool; the model's variables and an "
               "example below)\n"
            << "-p <num>: Communication port of network server (default=10000)\n"
            << "-i <address>: IPv4 address the network server listens on (default=127.0.0.1, "
               "this machine only; 0.0.0.0 for every interface)\n"
            << "-r <num>: Random Number Generator (0 = Lagged Fibonacci[default], 1 = Tausworthe, "
               "2 = Mersenne Twister\n"
            << "-s <num>: Random Number Seed (31415[default])\n"
            << "-t <num>: Simulation Type (1 = Terminating[default] 0 = Steady State)\n"
            << "-w: Simulator will wait to send output until socket connection is established.\n"
            << std::endl;
}

short RunSettings::Parse(int argc, char** argv, const BaseStudyClass* study) {
  reportSize_ = 1000;
  maxBatches_ = 0;
  if (argc == 1) {
    std::cerr << "ERROR: No command line options specified" << std::endl;
    return 1;
  }
  bool traceLevelOrFileGiven = false;
  for (int i = 1; i < argc; i++) {
    const char* argument = argv[i];
    if (std::strlen(argument) > kMaxArgumentLength) {
      std::cerr << "ERROR: Command Line Argument Too Long, Limited to " << kMaxArgumentLength
                << " Characters\n";
      return 1;
    }
    if (argument[0] != '-') {
      // Every value follows its option; a word on its own is a mistake
      // (a value given twice, a missing '-').
      std::cerr << "ERROR: Unexpected command line argument '" << argument
                << "': not an option nor the value of one\n";
      return 1;
    }
    const char letter = argument[1];
    const char* parameter = nullptr;
    if (std::strlen(argument) > 2) {
      parameter = argument + 2;
    } else if (i + 1 < argc && argv[i + 1][0] != '-') {
      parameter = argv[++i];
    }

    if (needsParameter(letter) && !parameter) {
      std::cerr << "Expect a parameter after '-" << letter << "'\n";
      return 1;
    }
    if (isFlag(letter) && parameter) {
      std::cerr << "Did not expect a parameter after '-" << letter << "'\n";
      return 1;
    }

    // An empty file name would write hidden files such as ".txt" in the
    // working directory.
    if ((letter == 'a' || letter == 'b' || letter == 'f') && parameter && *parameter == '\0') {
      std::cerr << "ERROR: '-" << letter << "' needs a file name, not an empty word\n";
      return 1;
    }

    switch (letter) {
      case 'a':
        asciiFileName_ = parameter;
        std::cout << "ASCIIFilename: " << *asciiFileName_ << std::endl;
        break;
      case 'b':
        binFileName_ = parameter;
        std::cout << "BinFilename: " << *binFileName_ << std::endl;
        break;
      case 'c':
        if (!readNumber('c', parameter, kInt32Min, kInt32Max, clientId_)) return 1;
        std::cout << "ClientID: " << clientId_ << std::endl;
        break;
      case 'e': {
        // Within the study's experiments once the simulator has its study.
        const long long count = study != nullptr ? study->GetNumExps() : kInt32Max + 1LL;
        const std::string note =
            study != nullptr ? "the study has " + std::to_string(count) + " experiments; " : "";
        if (!readNumber('e', parameter, 0, count - 1, experiment_,
                        (note + "'Experiment 1' is 0").c_str()))
          return 1;
        std::cout << "Experiment: " << static_cast<uint32_t>(experiment_) << std::endl;
        break;
      }
      case 'f':
        traceFileName_ = parameter;
        traceLevelOrFileGiven = true;
        std::cout << "TraceFile: " << *traceFileName_ << std::endl;
        break;
      case 'l':
        if (!readNumber('l', parameter, 0, 4, traceLevel_)) return 1;
        traceLevelOrFileGiven = true;
        std::cout << "TraceLevel: " << traceLevel_ << std::endl;
        break;
      case 'm':
        plainTraceOn_ = true;
        break;
      case 'x':
        xmlTraceOn_ = true;
        break;
      case 'n':
        // A packet needs room for at least one observation per variable.
        if (!readNumber('n', parameter, 1, kMaxReportSize, reportSize_)) return 1;
        std::cout << "ReportSize: " << reportSize_ << std::endl;
        break;
      case 'N':
        if (!readNumber('N', parameter, 0, kInt32Max, maxBatches_, "0 runs until stopped"))
          return 1;
        std::cout << "Max Number of Batches: " << maxBatches_ << std::endl;
        break;
      case 'O':
        overrideString_ = parameter;
        std::cout << "OverrideString is " << *overrideString_ << std::endl;
        break;
      case 'i': {
        // The manager link listens on the loopback interface unless told
        // otherwise; another interface is an explicit choice.
        in_addr address{};
        if (::inet_pton(AF_INET, parameter, &address) != 1) {
          std::cerr << "Expect an IPv4 address such as 127.0.0.1 or 0.0.0.0 after '-i', not '"
                    << parameter << "'\n";
          return 1;
        }
        listenAddress_ = ntohl(address.s_addr);
        std::cout << "Listen Address: " << parameter << std::endl;
        break;
      }
      case 'p':
        if (!readNumber('p', parameter, 0, 65535, port_)) return 1;
        std::cout << "Port: " << port_ << std::endl;
        break;
      case 'r': {
        int32_t type = 0;
        if (!readNumber('r', parameter, LaggedFibonacciGenerator, MersenneTwisterGenerator, type,
                        "0 = Lagged Fibonacci, 1 = Tausworthe, 2 = Mersenne Twister"))
          return 1;
        generatorType_ = static_cast<RandomNumberGeneratorType>(type);
        std::cout << "Random Number Generator: " << GeneratorName(generatorType_) << std::endl;
        break;
      }
      case 's':
        if (!readNumber('s', parameter, 0, std::numeric_limits<uint32_t>::max(), seed_)) return 1;
        std::cout << "Random Number Seed: " << seed_ << std::endl;
        break;
      case 't':
        if (!readNumber('t', parameter, 0, 1, simulationType_, "1 = Terminating, 0 = Steady State"))
          return 1;
        std::cout << "Is Terminating Simulation: " << simulationType_ << std::endl;
        break;
      case 'h':
        return kHelpRequested;
      case 'w':
        waitForSocket_ = true;
        std::cout << "Wait For Socket Enabled" << std::endl;
        break;
      default:
        std::cerr << "ERROR: Unrecognized Command Line option: " << argument << "\n";
        return 1;
    }
  }
  if (traceLevelOrFileGiven && !plainTraceOn_ && !xmlTraceOn_) plainTraceOn_ = true;
  return 0;
}

void RunSettings::SetReportSize(int32_t size) { reportSize_ = size > 0 ? size : 1; }

std::string RunSettings::PlainTracePath() const {
  return traceFileName_ ? *traceFileName_ + ".txt" : std::string();
}

std::string RunSettings::XMLTracePath() const {
  return traceFileName_ ? *traceFileName_ + ".xml" : std::string();
}

std::vector<std::pair<std::string, std::string>> RunSettings::OutputFiles() const {
  std::vector<std::pair<std::string, std::string>> files;
  if (asciiFileName_) files.emplace_back("ASCII result file", *asciiFileName_);
  if (binFileName_) files.emplace_back("binary result file", *binFileName_);
  if (traceFileName_ && plainTraceOn_) files.emplace_back("plain trace file", PlainTracePath());
  if (traceFileName_ && xmlTraceOn_) files.emplace_back("XML trace file", XMLTracePath());
  return files;
}

void RunSettings::CheckOutputPaths() const {
  const auto files = OutputFiles();
  const auto [first, second] = OutputPaths::FirstCollision(files);
  if (first < 0) return;
  std::cerr << "ERROR: The " << files[first].first << " '" << files[first].second << "' and the "
            << files[second].first << " '" << files[second].second
            << "' are the same file; each output needs a file of its own." << std::endl;
  std::exit(1);
}
