#ifndef MOVINGBLOCK_STUDY_PROGRESS_DISPLAY_H
#define MOVINGBLOCK_STUDY_PROGRESS_DISPLAY_H

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class SimulatorSession;

// One status line on standard error, redrawn in place while the study runs
// when standard error is a terminal: per running experiment the
// replications so far and the widest relative half-width. Messages are
// written above it; when standard error is no terminal only they appear.
class ProgressDisplay {
 public:
  explicit ProgressDisplay(bool enabled);
  ~ProgressDisplay();

  void Show(const std::vector<std::unique_ptr<SimulatorSession>>& sessions);
  void Message(const std::string& text);
  // Removes the status line, e.g. before the final table.
  void ClearLine();

 private:
  bool enabled_;
  bool lineShown_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
};

#endif
