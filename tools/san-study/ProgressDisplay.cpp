#include "ProgressDisplay.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cmath>
#include <iostream>

#include "NumberFormat.h"

namespace {
std::size_t TerminalWidth() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col;
  return 80;
}

std::string Spread(double widest) {
  return std::isfinite(widest) ? "±" + FixedText(100.0 * widest, 1) + "%" : "±?";
}

std::string Remaining(const ProgressSnapshot& p) {
  return p.remainingSeconds < 0 ? "?" : DurationText(p.remainingSeconds);
}

// The first `width` characters of `text` (UTF-8: "±" is two bytes).
std::string Cut(const std::string& text, std::size_t width) {
  std::size_t chars = 0, cut = 0;
  for (; cut < text.size() && chars < width; cut++)
    if ((static_cast<unsigned char>(text[cut]) & 0xC0) != 0x80) chars++;
  while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) cut++;
  return text.substr(0, cut);
}
}  // namespace

std::string DurationText(double seconds) {
  const long total = std::lround(std::max(0.0, std::min(seconds, 360000.0 * 24)));
  const long h = total / 3600, m = total / 60 % 60, s = total % 60;
  char text[32];
  if (h > 0)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", h, m, s);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", m, s);
  return text;
}

std::string ProgressDisplay::TerminalLine(const ProgressSnapshot& p, std::size_t width) {
  std::string line = "[" + std::to_string(p.done) + "/" + std::to_string(p.total) +
                     " done, target ±" + ShortestText(100.0 * p.precision) + "%, " +
                     DurationText(p.elapsedSeconds) + " elapsed, " + Remaining(p) + " left]";
  for (std::size_t i = 0; i < p.running.size(); i++)
    line += (i == 0 ? " " : " | ") + p.running[i].name + ": " +
            std::to_string(p.running[i].replications) + " reps " + Spread(p.running[i].widest);
  return Cut(line, width);
}

std::string ProgressDisplay::PlainLine(const ProgressSnapshot& p) {
  std::string line = "progress: " + std::to_string(p.done) + " of " + std::to_string(p.total) +
                     " experiments done, " + std::to_string(p.replications) + " replications, " +
                     DurationText(p.elapsedSeconds) + " elapsed, about " + Remaining(p) + " left";
  if (!p.running.empty()) {
    double widest = 0.0;
    for (const auto& r : p.running) widest = std::max(widest, r.widest);
    line += "; running " + std::to_string(p.running.size()) + ", widest " + Spread(widest) +
            " (target ±" + ShortestText(100.0 * p.precision) + "%)";
  }
  return line;
}

ProgressDisplay::ProgressDisplay(Mode mode)
    : mode_(mode), lastDraw_(std::chrono::steady_clock::now()) {}

ProgressDisplay::~ProgressDisplay() { ClearLine(); }

void ProgressDisplay::Show(const std::function<ProgressSnapshot()>& snapshot) {
  if (mode_ == Mode::Quiet) return;
  const auto now = std::chrono::steady_clock::now();
  const auto interval =
      mode_ == Mode::Terminal
          ? std::chrono::milliseconds(200)
          : std::chrono::milliseconds(static_cast<int>(kPlainIntervalSeconds * 1000));
  if (now - lastDraw_ < interval) return;
  lastDraw_ = now;
  if (mode_ == Mode::Plain) {
    std::cerr << PlainLine(snapshot()) << std::endl;
    return;
  }
  std::cerr << "\r\033[K" << TerminalLine(snapshot(), TerminalWidth() - 1) << std::flush;
  lineShown_ = true;
}

void ProgressDisplay::Message(const std::string& text) {
  ClearLine();
  std::cerr << text << std::endl;
  if (mode_ == Mode::Terminal) lastDraw_ = {};
}

void ProgressDisplay::ClearLine() {
  if (lineShown_) std::cerr << "\r\033[K" << std::flush;
  lineShown_ = false;
}
