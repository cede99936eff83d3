#ifndef SAN_STUDY_STUDY_PAGE_H
#define SAN_STUDY_STUDY_PAGE_H

#include <filesystem>
#include <optional>
#include <string>

#include "ResultFiles.h"

// study.html: one self-contained page that opens offline (inline CSS, no
// script, nothing loaded from elsewhere) with, top to bottom, the model and
// study names, the context (simulator, description, seed and the stop
// rule), the table of every measure of every experiment, the verdicts, the
// plot and the model's diagram. The table's numbers are study.csv's own
// text (each cell says its CSV column in data-column), so that the page
// and the CSV never disagree; nothing on the page depends on the clock, so
// the same command line writes the same page. The plot and the diagram
// are the SVG files embedded as data: images, which run no script.
class StudyPage {
 public:
  StudyPage(const StudyResult& result, const ResultContext& context);

  // The plot: the text of study.svg, or why there is none.
  void SetPlot(const std::string& svg) { plot_ = svg; }
  void SetNoPlot(const std::string& reason) { noPlot_ = reason; }

  std::string Content() const;

  // Writes Content() to directory/study.html through a temporary file and
  // a rename, reading the plot from directory/study.svg unless `noPlot`
  // says why there is none, and the diagram from the file the study
  // description names. An error text when it cannot be written.
  static std::optional<std::string> Write(const StudyResult& result, const ResultContext& context,
                                          const std::filesystem::path& directory,
                                          const std::optional<std::string>& noPlot);

 private:
  std::string Context() const;
  std::string Table() const;
  std::string Verdicts() const;
  std::string Plot() const;
  std::string Diagram() const;

  const StudyResult& result_;
  const ResultContext& context_;
  std::string plot_;
  std::string noPlot_;
};

#endif
