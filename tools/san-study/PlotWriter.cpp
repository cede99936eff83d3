#include "PlotWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "ChildProcess.h"
#include "FileReplacement.h"
#include "NumberFormat.h"
#include "Utf8Text.h"

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

// Single quotes for gnuplot, which substitutes nothing inside them: a
// quote inside is doubled, and a control character is escaped, since a
// newline would end the command and run the next line (a line starting
// with '!' is a shell command).
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : OneLineText(text)) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

// A bound for the data file: the mean stands in for an unknown one.
std::string Bound(double bound, double mean) {
  return ShortestText(std::isfinite(bound) ? bound : mean);
}

struct Series {
  std::size_t measure;
  std::string title;
  std::vector<const ExperimentResult*> points;
};
}  // namespace

std::optional<std::string> WritePlot(const StudyResult& result, const ResultContext& c,
                                     const std::filesystem::path& directory) {
  const StudyDescription& d = c.description;
  auto noPlot = [&](const std::string& why) {
    std::error_code ignored;
    const bool removed = std::filesystem::remove(directory / "study.svg", ignored);
    return why + (removed ? " (the earlier study.svg is removed)" : "");
  };
  const int x = c.plan.xVariable;
  // With exact values the data gain a column of them, drawn as dashed
  // lines beside the estimates, or alone (--solve-only).
  const bool solveOnly = c.options.solveOnly, exact = c.options.exact || solveOnly;
  std::map<const ExperimentResult*, double> xOf;
  for (std::size_t i = 0; i < result.experiments.size(); i++) {
    const ExperimentResult& e = result.experiments[i];
    if (solveOnly ? e.exact.size() == d.measures.size() : e.replications >= 2)
      xOf[&e] = x >= 0 ? e.plan.values[x] : static_cast<double>(e.plan.index);
  }
  if (xOf.empty())
    return noPlot(solveOnly ? "no experiment has exact values, so there is nothing to plot"
                            : "no experiment has two replications, so there is nothing to plot");

  // The other swept variables split each measure into several lines.
  auto restOf = [&](const ExperimentResult& e) {
    std::string rest;
    for (std::size_t s = 1; s < c.plan.sweeps.size(); s++) {
      const int v = c.plan.sweeps[s].variable;
      rest += (rest.empty() ? "" : ", ") + d.variables[v].name + "=" +
              ValueText(d.variables[v].type, e.plan.values[v]);
    }
    return rest;
  };
  std::vector<Series> series;
  for (std::size_t m = 0; m < d.measures.size(); m++) {
    std::map<std::string, Series> byRest;
    std::vector<std::string> order;
    for (const ExperimentResult& e : result.experiments) {
      if (!xOf.count(&e)) continue;
      const std::string rest = restOf(e);
      if (!byRest.count(rest)) {
        order.push_back(rest);
        byRest[rest] = {m, d.measures[m].label + (rest.empty() ? "" : " " + rest), {}};
      }
      byRest[rest].points.push_back(&e);
    }
    for (const std::string& rest : order) series.push_back(byRest[rest]);
  }

  double lowest = INFINITY, highest = -INFINITY;
  std::map<std::string, double> lowestY;  // per reward variable
  std::ostringstream data;
  data << "# x mean lower upper experiment stopped_short" << (exact ? " exact" : "")
       << "; one block per line of the plot\n";
  for (Series& s : series) {
    std::stable_sort(s.points.begin(), s.points.end(),
                     [&](auto* a, auto* b) { return xOf[a] < xOf[b]; });
    const std::string& variable = d.measures[s.measure].rewardVariable;
    if (!lowestY.count(variable)) lowestY[variable] = INFINITY;
    data << "# " << OneLineText(variable + " " + s.title) << "\n";
    for (const ExperimentResult* e : s.points) {
      const WindowResult& w = e->windows[s.measure];
      const double value = s.measure < e->exact.size() ? e->exact[s.measure] : NAN;
      lowest = std::min(lowest, xOf[e]);
      highest = std::max(highest, xOf[e]);
      if (!solveOnly)
        lowestY[variable] = std::min(lowestY[variable], std::isfinite(w.lower) ? w.lower : w.mean);
      if (std::isfinite(value)) lowestY[variable] = std::min(lowestY[variable], value);
      data << ShortestText(xOf[e]) << ' ' << ShortestText(w.mean) << ' ' << Bound(w.lower, w.mean)
           << ' ' << Bound(w.upper, w.mean) << ' ' << e->plan.index << ' '
           << (e->status == ExperimentStatus::kMaxReps && !w.converged ? 1 : 0);
      if (exact) data << ' ' << (std::isfinite(value) ? ShortestText(value) : "NaN");
      data << '\n';
    }
    data << "\n\n";
  }
  const double pad = highest > lowest ? 0.03 * (highest - lowest) : 0.5;

  // One panel per reward variable, stacked, each with its own y label and
  // key: the variables of a model measure different things (a count, a
  // fraction, a length), which one y axis would squash together.
  std::vector<const RewardVariable*> panels;
  for (const RewardVariable& r : d.rewards)
    if (lowestY.count(r.name)) panels.push_back(&r);
  const std::string xName = x >= 0 ? d.variables[x].name : "experiment (simulator -e)";
  const std::size_t height = std::max<std::size_t>(640, 360 * panels.size());
  std::ostringstream gp;
  gp << "# Draws study.svg from study.dat: gnuplot study.gp\n"
        "set terminal svg size 1000,"
     << height
     << " dynamic enhanced font 'sans,12' background rgb 'white'\n"
        "if (!exists('output')) output = 'study.svg'\n"
        "set output output\n"
     << "set multiplot layout " << panels.size() << ",1 title "
     << Quoted(d.model + ": " +
               (solveOnly ? std::string("exact values")
                          : ShortestText(100 * c.options.stopRule.confidence) +
                                "% confidence intervals" + (exact ? " and exact values" : "")))
     << " noenhanced\n"
     << "set xlabel " << Quoted(xName) << " noenhanced\n"
     << "set key outside right top noenhanced title 'measure'\n"
        "set grid\n"
     << "set xrange [" << ShortestText(lowest - pad) << ":" << ShortestText(highest + pad) << "]\n"
     << (x < 0 ? "set xtics 1\n" : "")
     << "set palette defined (0 '#440154', 0.25 '#3b528b', 0.5 '#21918c', 0.75 '#5ec962', 1 "
        "'#e3c800')\n"
        "unset colorbox\n";
  for (const RewardVariable* r : panels) {
    std::vector<std::size_t> of;  // the series of this panel, by data-file index
    for (std::size_t i = 0; i < series.size(); i++)
      if (d.measures[series[i].measure].rewardVariable == r->name) of.push_back(i);
    auto colour = [&](std::size_t k) {
      return ShortestText(
          of.size() > 1 ? static_cast<double>(k) / static_cast<double>(of.size() - 1) : 0.0);
    };
    std::vector<std::string> items;
    for (std::size_t k = 0; k < of.size() && exact; k++)
      items.push_back("'study.dat' index " + std::to_string(of[k]) +
                      " using 1:7 with linespoints " + (solveOnly ? "" : "dt 2 pt 1 ") +
                      "lc palette frac " + colour(k) + " title " +
                      Quoted(series[of[k]].title + " exact"));
    for (std::size_t k = 0; k < of.size() && !solveOnly; k++)
      items.push_back("'study.dat' index " + std::to_string(of[k]) +
                      " using 1:2:3:4 with yerrorlines lc palette frac " + colour(k) + " title " +
                      Quoted(series[of[k]].title));
    for (std::size_t k = 0; k < of.size() && !solveOnly; k++)
      items.push_back("'study.dat' index " + std::to_string(of[k]) +
                      " using 1:($6 > 0 ? $2 : 1/0) with points pt 6 ps 1.8 lc rgb '#d62728' " +
                      (k == 0 ? "title 'stopped short (--max-reps)'" : "notitle"));
    gp << "set title " << Quoted(r->name) << " noenhanced\n"
       << "set ylabel " << Quoted(r->description.empty() ? r->name : r->description)
       << " noenhanced\n"
       << (lowestY[r->name] >= 0 ? "set yrange [0:*]\n" : "set autoscale y\n") << "plot \\\n";
    for (std::size_t i = 0; i < items.size(); i++)
      gp << "  " << items[i] << (i + 1 < items.size() ? ", \\\n" : "\n");
  }
  gp << "unset multiplot\n";

  if (auto error = ReplaceFile(directory / "study.dat", data.str())) return noPlot(*error);
  if (auto error = ReplaceFile(directory / "study.gp", gp.str())) return noPlot(*error);

  const std::string gnuplot = FindOnPath("gnuplot");
  if (gnuplot.empty())
    return noPlot(
        "gnuplot is not installed (Debian package gnuplot-nox); run 'gnuplot study.gp' in " +
        directory.string() + " to draw study.svg");
  // gnuplot draws into a new file of this program's, renamed over
  // study.svg once whole: a study.svg that is a link is replaced, never
  // followed, and a reader sees the old picture or the new one.
  std::string drawing = (directory / ".study.svg.XXXXXX").string();
  const int fd = mkostemp(drawing.data(), O_CLOEXEC);
  if (fd < 0)
    return noPlot("cannot create a file in " + directory.string() + ": " + std::strerror(errno));
  close(fd);
  const std::string name = std::filesystem::path(drawing).filename().string();
  ChildProcess child;
  std::string error;
  if (!child.Start({gnuplot, "-e", "output = '" + name + "'", "study.gp"}, error,
                   directory.string())) {
    unlink(drawing.c_str());
    return noPlot("cannot run gnuplot: " + error);
  }
  const bool ended = child.WaitFor(60.0);
  std::string messages;
  if (child.StderrFd() >= 0) ReadAvailable(child.StderrFd(), messages);
  if (!ended || !child.ExitedCleanly()) {
    unlink(drawing.c_str());
    // What gnuplot left may be cut short, or belong to an earlier study.
    return noPlot("gnuplot " + child.EndDescription() + " drawing study.svg" +
                  (messages.empty() ? "" : ": " + OneLineText(messages)));
  }
  std::error_code renamed;
  std::filesystem::rename(drawing, directory / "study.svg", renamed);
  if (renamed) {
    unlink(drawing.c_str());
    return noPlot("cannot write " + (directory / "study.svg").string() + ": " + renamed.message());
  }
  chmod((directory / "study.svg").c_str(), OrdinaryFileMode());
  return std::nullopt;
}
