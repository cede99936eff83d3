#ifndef CORVAX_DRAW_COUNTER_H
#define CORVAX_DRAW_COUNTER_H

#include "Random/RandomNumberGenerator.h"

// A generator that only counts the numbers drawn from it (each is 0.5).
// Installed as the process-wide generator while the solver runs the model's
// code: every random number goes through it, so a firing, an enabling, a
// rate or a weight that draws one (a random outcome the Markov chain does
// not know of) shows as a count that moved.
class DrawCounter : public RandomNumberGenerator {
 public:
  double rnd() override {
    draws_++;
    return 0.5;
  }
  void srnd(unsigned long) override {}
  unsigned long Draws() const { return draws_; }

 private:
  unsigned long draws_ = 0;
};

#endif
