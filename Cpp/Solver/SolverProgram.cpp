#include "Solver/SolverProgram.h"

#include <sys/resource.h>

#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <new>
#include <sstream>
#include <string>

#include "Rewards/PVModel.h"
#include "Solver/ExactMeasures.h"
#include "Solver/MarkingModel.h"
#include "Solver/MeasureReport.h"
#include "Solver/PhaseTimer.h"
#include "Solver/RewardStructure.h"
#include "Solver/SolverError.h"
#include "Solver/SolverOptions.h"
#include "Solver/StateSpaceExplorer.h"
#include "Study/BaseStudyClass.h"
#include "Study/GVRange.h"

namespace {

// Set while the model's own code runs on explored markings: a model that
// ends the process there (a marking beyond its type's range, an array index
// out of bounds) has said why; this says where.
bool exploring = false;

void NoteEndWhileExploring() {
  if (exploring)
    std::cerr << "ERROR: the model ended the solver while its reachable markings were explored; "
                 "no value was computed"
              << std::endl;
}

double PeakMegabytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// "1.234 s (processor 0.987 s)".
std::string TimeText(const PhaseTime& time) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(3) << time.wallSeconds << " s (processor "
       << time.processorSeconds << " s)";
  return text.str();
}

// "rho = 0.5, K = 10": the global variables as the experiment (and the
// overrides) set them.
std::string GlobalValues(BaseStudyClass& study) {
  std::string text;
  for (unsigned g = 0; g < study.GetNumGVs(); g++) {
    const char* name = study.GetGVName(static_cast<int>(g));
    const std::string type = study.GetGVType(static_cast<int>(g));
    const void* address = study.GetGVValue(name);
    if (address == nullptr) continue;
    double value = 0.0;
    if (type == "double")
      value = *static_cast<const double*>(address);
    else if (type == "float")
      value = *static_cast<const float*>(address);
    else if (type == "int")
      value = *static_cast<const int*>(address);
    else if (type == "short")
      value = *static_cast<const short*>(address);
    else if (type == "long")
      value = static_cast<double>(*static_cast<const long*>(address));
    else if (type == "char")
      value = *static_cast<const char*>(address);
    else if (type == "bool")
      value = *static_cast<const bool*>(address);
    else
      continue;
    text += (text.empty() ? "" : ", ") + std::string(name) + " = " + ShortestNumberText(value);
  }
  return text;
}

void PrintStatistics(const SolverOptions& options, BaseStudyClass& study, const MarkovChain& chain,
                     uint32_t vanishing, const PhaseTime& exploration, double exploreMegabytes,
                     const SolutionStatistics& solution) {
  std::ostringstream out;
  out << std::setprecision(3);
  out << "Model " << options.program << ", " << BaseStudyClass::GetExpName(options.experiment)
      << " (-e " << options.experiment << ")";
  const std::string values = GlobalValues(study);
  if (!values.empty()) out << ": " << values;
  out << "\nState space: " << chain.NumStates() << " tangible markings, " << chain.NumTransitions()
      << " transitions, " << vanishing << " vanishing markings entered; explored in "
      << TimeText(exploration) << ", peak memory " << std::fixed << std::setprecision(1)
      << exploreMegabytes << " MB\n"
      << std::defaultfloat << std::setprecision(3);
  if (solution.steadyState) {
    out << "Steady state: ";
    if (solution.bottomComponents == 1 && solution.transientStates == 0)
      out << "irreducible";
    else
      out << solution.bottomComponents << " bottom component(s), " << solution.transientStates
          << " transient states";
    out << "; " << (options.iteration.relaxation == 1.0 ? "Gauss-Seidel" : "SOR") << ", "
        << solution.sweeps << " sweeps, relative residual " << solution.residual << "; "
        << TimeText(solution.steadyStateTime) << "\n";
  }
  if (solution.transient)
    out << "Transient: uniformisation rate " << solution.uniformisationRate << ", "
        << solution.steps << " steps; " << TimeText(solution.transientTime) << "\n";
  out << "Peak memory: " << std::fixed << std::setprecision(1) << PeakMegabytes() << " MB\n\n";
  std::cout << out.str();
}

int Solve(int argc, char** argv) {
  BaseStudyClass* study = GenerateStudy();
  SolverOptions options;
  if (const std::optional<int> status = options.Parse(argc, argv, study->GetNumExps()))
    return *status;
  // The simulator's checks: the experiment's values, the overrides, then
  // every value against its range and the study's constraints.
  study->SetGVs(options.experiment);
  if (options.overrides && study->overrideGVs(options.overrides->c_str()) != 0) return 1;
  if (study->CheckGVs() != 0) return 1;
  PVModel* rewardModel = study->GetPVModel(true);

  const PhaseTimer exploreTimer;
  RewardStructure rewards(*rewardModel);
  MarkingModel model(*rewardModel);
  MarkovChain chain;
  uint32_t vanishing = 0;
  {
    StateSpaceExplorer explorer(model, rewards, options.maxStates);
    exploring = true;
    chain = explorer.Explore();
    exploring = false;
    vanishing = explorer.NumVanishing();
  }
  const PhaseTime exploration = exploreTimer.Elapsed();
  const double exploreMegabytes = PeakMegabytes();

  ExactMeasures measures(rewards, chain, options.iteration);
  std::vector<MeasureValue> values = measures.Compute();
  AppendDerivedRatios(values, study->DerivedRatios());
  if (options.csvFile) ReplaceFile(*options.csvFile, MeasureCsv(options.experiment, values));
  if (!options.quiet)
    PrintStatistics(options, *study, chain, vanishing, exploration, exploreMegabytes,
                    measures.Statistics());
  PrintMeasureTable(std::cout, values);
  std::cout.flush();
  DestructStudy();
  return std::cout ? 0 : 1;
}

}  // namespace

int RunSolver(int argc, char** argv) {
  std::atexit(NoteEndWhileExploring);
  try {
    return Solve(argc, argv);
  } catch (const SolverError& e) {
    exploring = false;
    std::cerr << "ERROR: " << e.what() << std::endl;
  } catch (const std::bad_alloc&) {
    exploring = false;
    std::cerr << "ERROR: out of memory; a smaller --max-states stops the exploration with the "
                 "number of markings reached"
              << std::endl;
  }
  return 1;
}
