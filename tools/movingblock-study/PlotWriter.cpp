#include "PlotWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <unistd.h>

#include "ChildProcess.h"
#include "FileReplacement.h"
#include "NumberText.h"
#include "RewardWindows.h"

namespace {
std::string FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream directories(path ? path : "/usr/bin:/bin");
  std::string directory;
  while (std::getline(directories, directory, ':')) {
    const auto candidate = std::filesystem::path(directory.empty() ? "." : directory) / program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return "";
}

std::string Script() {
  std::ostringstream gp;
  gp << "# Draws study.svg from study.dat: gnuplot study.gp\n"
        "set terminal svg size 1000,640 dynamic enhanced font 'sans,12' background rgb 'white'\n"
        "set output 'study.svg'\n"
        "set title 'Expected number of trains that have left the line (numberOfTrains)'\n"
        "set xlabel 'probability that the network loses a message (netNotDeliveryProb)'\n"
        "set ylabel 'trains that have left the line'\n"
        "set key outside right top title 'window'\n"
        "set grid\n"
        "set offsets 0.02, 0.02, 0, 0\n"
        "set yrange [0:*]\n"
        "set palette defined (0 '#440154', 0.25 '#3b528b', 0.5 '#21918c', 0.75 '#5ec962', 1 '#e3c800')\n"
        "unset colorbox\n"
        "plot \\\n";
  for (int w = 0; w < kWindowCount; w++)
    gp << "  'study.dat' index " << w << " using 1:2:3:4 with yerrorlines lc palette frac "
       << ShortestText(w / (kWindowCount - 1.0)) << " title '[0, " << ShortestText(WindowEnd(w)) << "]'"
       << (w + 1 < kWindowCount ? ", \\\n" : "\n");
  return gp.str();
}
}  // namespace

std::optional<std::string> WritePlot(const StudyResult& result, const std::filesystem::path& directory) {
  std::vector<const ExperimentResult*> plotted;
  for (const ExperimentResult& e : result.experiments)
    if (e.replications >= 2 && std::isfinite(e.info.lossProbability)) plotted.push_back(&e);
  if (plotted.empty()) return "no experiment has two replications, so there is nothing to plot";
  std::stable_sort(plotted.begin(), plotted.end(), [](auto* a, auto* b) {
    return a->info.lossProbability < b->info.lossProbability;
  });

  std::ostringstream data;
  data << "# loss_probability mean lower upper experiment; one block per window\n";
  for (int w = 0; w < kWindowCount; w++) {
    data << "# window [0, " << ShortestText(WindowEnd(w)) << "]\n";
    for (const ExperimentResult* e : plotted) {
      const WindowResult& window = e->windows[w];
      data << ShortestText(e->info.lossProbability) << ' ' << ShortestText(window.mean) << ' '
           << ShortestText(window.mean - window.halfWidth) << ' ' << ShortestText(window.mean + window.halfWidth)
           << ' ' << e->info.index << '\n';
    }
    data << "\n\n";
  }
  if (auto error = ReplaceFile(directory / "study.dat", data.str())) return *error;
  if (auto error = ReplaceFile(directory / "study.gp", Script())) return *error;

  const std::string gnuplot = FindOnPath("gnuplot");
  if (gnuplot.empty())
    return "gnuplot is not installed (Debian package gnuplot-nox); run 'gnuplot study.gp' in " +
           directory.string() + " to draw study.svg";
  ChildProcess child;
  std::string error;
  if (!child.Start({gnuplot, "study.gp"}, error, directory.string())) return "cannot run gnuplot: " + error;
  const bool ended = child.WaitFor(60.0);
  std::string messages;
  if (child.StderrFd() >= 0) ReadAvailable(child.StderrFd(), messages);
  if (!ended || !child.ExitedCleanly()) {
    // What gnuplot left may be cut short, or belong to an earlier study.
    std::error_code ignored;
    std::filesystem::remove(directory / "study.svg", ignored);
    return "gnuplot " + child.EndDescription() + " drawing study.svg" + (messages.empty() ? "" : ": " + messages);
  }
  return std::nullopt;
}
