#ifndef MOVINGBLOCK_STUDY_REWARD_WINDOWS_H
#define MOVINGBLOCK_STUDY_REWARD_WINDOWS_H

#include <array>

// The reward variable "numberOfTrains" is observed in 13 windows
// [0, 100], [0, 150], ..., [0, 700]; PV index w is the window [0, 100 + 50 w].
constexpr int kWindowCount = 13;
constexpr double kWindowStart = 0.0;
constexpr double WindowEnd(int window) { return 100.0 + 50.0 * window; }

// One replication: the number of trains that left the line in each window.
using Replication = std::array<double, kWindowCount>;

#endif
