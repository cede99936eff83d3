#ifndef SAN_STUDY_PROPORTION_BOUNDS_H
#define SAN_STUDY_PROPORTION_BOUNDS_H

// Confidence bounds on the chance p of an event seen k times in n
// independent trials; sound when k is small, where p-hat ± z·se is not.
struct ProportionInterval {
  double lower = 0.0;
  double upper = 1.0;
};

// Wilson's score interval at a two-sided `confidence` (k >= 1 and
// n - k >= 1 give bounds strictly inside [0, 1]).
ProportionInterval WilsonInterval(long k, long n, double confidence);

// Upper bound on p when the event was never seen in n trials: the p at
// which n misses in a row have chance 1 - confidence, 1 - (1 - c)^(1/n)
// (about 3/n at 95 %, the rule of three).
double UnseenChanceBound(long n, double confidence);

#endif
