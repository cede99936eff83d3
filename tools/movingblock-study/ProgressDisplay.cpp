#include "ProgressDisplay.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cmath>
#include <iostream>

#include "NumberText.h"
#include "SimulatorSession.h"

namespace {
std::size_t TerminalWidth() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col;
  return 80;
}

std::string SessionText(const SimulatorSession& s) {
  const double widest = s.Estimate().WidestRelativeHalfWidth();
  const std::string spread = std::isfinite(widest) ? "±" + FixedText(100.0 * widest, 1) + "%" : "±?";
  return s.Info().name + ": " + std::to_string(s.Estimate().Replications()) + " reps " + spread;
}
}  // namespace

ProgressDisplay::ProgressDisplay(bool enabled) : enabled_(enabled) {}

ProgressDisplay::~ProgressDisplay() { ClearLine(); }

void ProgressDisplay::Show(const std::vector<std::unique_ptr<SimulatorSession>>& sessions) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastDraw_ < std::chrono::milliseconds(200)) return;
  lastDraw_ = now;
  std::size_t done = 0;
  std::string running;
  for (const auto& s : sessions) {
    if (s->Finished()) done++;
    else if (s->Started()) running += (running.empty() ? " " : " | ") + SessionText(*s);
  }
  std::string line = "[" + std::to_string(done) + "/" + std::to_string(sessions.size()) + " done]" + running;
  // Count characters, not bytes, against the width ("±" is two bytes).
  std::size_t width = TerminalWidth() - 1, chars = 0, cut = 0;
  for (; cut < line.size() && chars < width; cut++)
    if ((static_cast<unsigned char>(line[cut]) & 0xC0) != 0x80) chars++;
  while (cut < line.size() && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) cut++;
  std::cerr << "\r\033[K" << line.substr(0, cut) << std::flush;
  lineShown_ = true;
}

void ProgressDisplay::Message(const std::string& text) {
  ClearLine();
  std::cerr << text << std::endl;
  lastDraw_ = {};
}

void ProgressDisplay::ClearLine() {
  if (lineShown_) std::cerr << "\r\033[K" << std::flush;
  lineShown_ = false;
}
