// The progress lines: what they say, and that the terminal line fits.
#include <gtest/gtest.h>

#include <cmath>

#include "ProgressDisplay.h"

TEST(ProgressDisplay, LinesCarryTargetElapsedAndRemainingTime) {
  ProgressSnapshot p;
  p.total = 11;
  p.done = 4;
  p.replications = 1234;
  p.precision = 0.05;
  p.elapsedSeconds = 75;
  p.remainingSeconds = 3725;
  p.running = {{"Experiment 5", 120, 0.073}, {"Experiment 6 [nTrains=12]", 40, INFINITY}};
  const std::string wide = ProgressDisplay::TerminalLine(p, 1000);
  EXPECT_EQ(wide,
            "[4/11 done, target ±5%, 1:15 elapsed, 1:02:05 left] Experiment 5: 120 reps ±7.3% | "
            "Experiment 6 [nTrains=12]: 40 reps ±?");
  for (std::size_t width : {20u, 41u, 79u}) {
    const std::string line = ProgressDisplay::TerminalLine(p, width);
    std::size_t characters = 0;
    for (unsigned char c : line)
      characters += (c & 0xC0) != 0x80;  // "±" is two bytes, one character
    EXPECT_EQ(characters, width);
    EXPECT_EQ(wide.compare(0, line.size(), line), 0);
  }
  EXPECT_EQ(ProgressDisplay::PlainLine(p),
            "progress: 4 of 11 experiments done, 1234 replications, 1:15 elapsed, about 1:02:05 "
            "left; running 2, "
            "widest ±? (target ±5%)");
}
