#ifndef SAN_STUDY_PROGRESS_DISPLAY_H
#define SAN_STUDY_PROGRESS_DISPLAY_H

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Where the study stands, for the progress display.
struct ProgressSnapshot {
  struct Running {
    std::string name;
    long replications = 0;
    // The widest half-width over the allowed one, times the precision: the
    // widest relative half-width when only --precision is given; infinite
    // before two replications.
    double widest = 0.0;
  };
  std::size_t total = 0, done = 0;
  long replications = 0;  // counted in this run
  double precision = 0.0;
  double elapsedSeconds = 0.0;
  double remainingSeconds = -1.0;  // negative: no estimate yet
  std::vector<Running> running;
};

// Progress on standard error while the study runs. On a terminal, one
// status line redrawn in place and cut to the terminal's width: experiments
// done, the precision aimed at, elapsed time, an estimate of the time left,
// then each running experiment's replications and widest relative
// half-width. Elsewhere (a batch job, nohup), a plain line every
// kPlainIntervalSeconds. Quiet: none. Messages are written above the line
// in every mode.
class ProgressDisplay {
 public:
  enum class Mode { Terminal, Plain, Quiet };
  static constexpr double kPlainIntervalSeconds = 5.0;

  explicit ProgressDisplay(Mode mode);
  ~ProgressDisplay();

  // Draws when it is time to; `snapshot` is asked only then.
  void Show(const std::function<ProgressSnapshot()>& snapshot);
  void Message(const std::string& text);
  // Removes the status line, e.g. before the final table.
  void ClearLine();

  // The terminal line, at most `width` characters (not bytes).
  static std::string TerminalLine(const ProgressSnapshot& snapshot, std::size_t width);
  static std::string PlainLine(const ProgressSnapshot& snapshot);

 private:
  Mode mode_;
  bool lineShown_ = false;
  std::chrono::steady_clock::time_point lastDraw_{};
};

// 75 -> "1:15", 3725 -> "1:02:05".
std::string DurationText(double seconds);

#endif
