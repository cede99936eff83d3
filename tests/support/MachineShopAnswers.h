#ifndef MB_TESTS_MACHINE_SHOP_ANSWERS_H
#define MB_TESTS_MACHINE_SHOP_ANSWERS_H

// Closed forms of Models/machines.yaml: n independent machines, each up at
// time 0, failing at rate l and repaired at rate m. A machine is down at
// time t with probability p(t) = l/(l+m) (1 - e^{-(l+m)t}), independently
// of the others.
#include <cmath>

namespace machine_shop {

struct Shop {
  double failure;  // l
  double repair;   // m
  int machines;    // n
  int needUp;      // k
};

inline double DownProbability(const Shop& s, double t) {
  const double total = s.failure + s.repair;
  return s.failure / total * (1.0 - std::exp(-total * t));
}

inline double Choose(int n, int j) {
  double c = 1.0;
  for (int i = 1; i <= j; i++) c = c * (n - j + i) / i;
  return c;
}

// The variables of the model at one time, in its order.
inline double AllDown(const Shop& s, double t) {
  return std::pow(DownProbability(s, t), s.machines);
}
inline double AnyDown(const Shop& s, double t) {
  return 1.0 - std::pow(1.0 - DownProbability(s, t), s.machines);
}
inline double MachinesUp(const Shop& s, double t) {
  return s.machines * (1.0 - DownProbability(s, t));
}
inline double EnoughUp(const Shop& s, double t) {
  const double p = DownProbability(s, t);
  double tail = 0.0;
  for (int j = s.needUp; j <= s.machines; j++)
    tail += Choose(s.machines, j) * std::pow(1.0 - p, j) * std::pow(p, s.machines - j);
  return tail;
}
// The least and greatest of 3 per machine up and -1 per machine down.
inline double LeastScore(const Shop& s, double t) {
  const double allUp = 1.0 - AnyDown(s, t);
  return 3.0 * allUp - (1.0 - allUp);
}
inline double GreatestScore(const Shop& s, double t) {
  const double allDown = AllDown(s, t);
  return 3.0 * (1.0 - allDown) - allDown;
}

// The expected time in [0, T] with every machine down: the integral of
// p(t)^n, with p^n = c^n sum_j C(n, j) (-1)^j e^{-j(l+m)t}, c = l/(l+m).
inline double AllDownTime(const Shop& s, double T) {
  const double total = s.failure + s.repair;
  const double c = s.failure / total;
  double integral = 0.0;
  for (int j = 0; j <= s.machines; j++) {
    const double part = j == 0 ? T : (1.0 - std::exp(-j * total * T)) / (j * total);
    integral += Choose(s.machines, j) * (j % 2 ? -1.0 : 1.0) * part;
  }
  return std::pow(c, s.machines) * integral;
}

// The result indices of the model: six instant-of-time variables at times
// 0.5 and 2, then allDownTime over [0, 2].
inline double Exact(const Shop& s, int index) {
  if (index == 12) return AllDownTime(s, 2.0);
  const double t = index % 2 == 0 ? 0.5 : 2.0;
  switch (index / 2) {
    case 0:
      return AllDown(s, t);
    case 1:
      return AnyDown(s, t);
    case 2:
      return MachinesUp(s, t);
    case 3:
      return EnoughUp(s, t);
    case 4:
      return LeastScore(s, t);
    default:
      return GreatestScore(s, t);
  }
}
constexpr int kIndices = 13;

}  // namespace machine_shop

#endif
