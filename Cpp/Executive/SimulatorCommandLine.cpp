// Command-line parsing and usage text of the simulator.
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "BaseClasses/Allocation.h"
#include "Executive/SimulatorClass.h"

namespace {

constexpr size_t kMaxArgumentLength = 128;

// Leading decimal integer of the text, 0 when there is none (atoi
// semantics, without undefined behaviour on overflow).
long long leadingInteger(const char* text) { return std::strtoll(text, nullptr, 10); }


void replaceText(char*& field, const char* text) {
  delete[] field;
  field = copyText(text);
}

bool needsParameter(char letter) {
  return std::strchr("abcefnlNOprst", letter) != nullptr;
}

bool isFlag(char letter) { return letter == 'm' || letter == 'x' || letter == 'w' || letter == 'h'; }

// Returned by the parser for -h: the caller prints the usage and ends with 0.
constexpr short kHelpRequested = 2;

}  // namespace

std::string SimulatorClass::to_string(RandomNumberGeneratorType type) {
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

void SimulatorClass::PrintUsage() {
  std::cerr << "Valid Options\n"
            << "-a <name>: write ASCII output to file <name>\n"
            << "-b <name>: write binary output to file <name>\n"
            << "-c <num>: Client identification number (default=0)\n"
            << "-e <num>: Experiment to run, 'Experiment 1' is num=0 (default = 0)\n"
            << "-f <name>: Trace file name (default=<stdout>)\n"
            << "-m: Enable Corvax trace \n"
            << "-l <num>: Trace Level (1, 2,3,4 [default=1])\n"
            << "-x: Enable XML trace \n"
            << "-h: Print this usage text and exit\n"
            << "-n <num>: Num observations sent in 1 update to SimMgr. (default=1000)\n"
            << "-N <num>: Maximum number of batches to run (default=infinite)\n"
            << "-O <text>: Global variable overrides, type:name:value triples separated by ':' "
               "(e.g. d:netNotDeliveryProb:0.25:s:nTrains:12)\n"
            << "-p <num>: Communication port of network server (default=10000)\n"
            << "-r <num>: Random Number Generator (0 = Lagged Fibonacci[default], 1 = Tausworthe, 2 = Mersenne Twister\n"
            << "-s <num>: Random Number Seed (31415[default])\n"
            << "-t <num>: Simulation Type (1 = Terminating[default] 0 = Steady State)\n"
            << "-w: Simulator will wait to send output until socket connection is established.\n"
            << std::endl;
}

short SimulatorClass::ParseCommandLineOptions(int argc, char** argv) {
  ReportSize = 1000;
  MaxBatches = 0;
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
    if (argument[0] != '-') continue;
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

    switch (letter) {
      case 'a':
        replaceText(ASCIIFileName, parameter);
        std::cout << "ASCIIFilename: " << ASCIIFileName << std::endl;
        break;
      case 'b':
        replaceText(BinFileName, parameter);
        std::cout << "BinFilename: " << BinFileName << std::endl;
        break;
      case 'c':
        ClientID = static_cast<int32_t>(leadingInteger(parameter));
        std::cout << "ClientID: " << ClientID << std::endl;
        break;
      case 'e':
        Experiment = static_cast<int32_t>(leadingInteger(parameter));
        std::cout << "Experiment: " << static_cast<uint32_t>(Experiment) << std::endl;
        break;
      case 'f':
        replaceText(TraceFileName, parameter);
        traceLevelOrFileGiven = true;
        std::cout << "TraceFile: " << TraceFileName << std::endl;
        break;
      case 'l':
        TraceLevelSetting = static_cast<int32_t>(leadingInteger(parameter));
        traceLevelOrFileGiven = true;
        std::cout << "TraceLevel: " << TraceLevelSetting << std::endl;
        break;
      case 'm':
        PlainTraceOn = true;
        break;
      case 'x':
        XMLTraceOn = true;
        break;
      case 'n': {
        const long long size = leadingInteger(parameter);
        // A packet needs room for at least one observation per variable.
        if (size < 1) {
          std::cerr << "Expect a parameter of at least 1 after '-n'\n";
          return 1;
        }
        ReportSize = static_cast<int32_t>(size);
        std::cout << "ReportSize: " << ReportSize << std::endl;
        break;
      }
      case 'N':
        MaxBatches = static_cast<int32_t>(leadingInteger(parameter));
        std::cout << "Max Number of Batches: " << MaxBatches << std::endl;
        break;
      case 'O':
        replaceText(OverrideString, parameter);
        std::cout << "OverrideString is " << OverrideString << std::endl;
        break;
      case 'p':
        Port = static_cast<uint16_t>(leadingInteger(parameter));
        std::cout << "Port: " << Port << std::endl;
        break;
      case 'r': {
        const auto type = static_cast<uint32_t>(leadingInteger(parameter));
        if (type > MersenneTwisterGenerator) return 1;
        GeneratorType = static_cast<RandomNumberGeneratorType>(type);
        std::cout << "Random Number Generator: " << to_string(GeneratorType) << std::endl;
        break;
      }
      case 's':
        Seed = static_cast<uint32_t>(leadingInteger(parameter));
        std::cout << "Random Number Seed: " << Seed << std::endl;
        break;
      case 't':
        SimulationType = static_cast<int32_t>(leadingInteger(parameter));
        std::cout << "Is Terminating Simulation: " << SimulationType << std::endl;
        break;
      case 'h':
        return kHelpRequested;
      case 'w':
        WaitForSocket = true;
        std::cout << "Wait For Socket Enabled" << std::endl;
        break;
      default:
        std::cerr << "ERROR: Unrecognized Command Line option: " << argument << "\n";
        return 1;
    }
  }
  if (traceLevelOrFileGiven && !PlainTraceOn && !XMLTraceOn) PlainTraceOn = true;
  return 0;
}
