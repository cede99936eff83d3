#ifndef CORVAX_RANDOM_NUMBER_GENERATOR_H
#define CORVAX_RANDOM_NUMBER_GENERATOR_H

// Root of the uniform generators. Every random number of a run comes from
// one object of a derived class, owned by the process-wide distributions
// object (Random/Distributions.h). The base generator has no state: rnd()
// returns 0.0 and srnd() does nothing.
class RandomNumberGenerator {
 public:
  RandomNumberGenerator() = default;
  RandomNumberGenerator(const RandomNumberGenerator&) = delete;
  RandomNumberGenerator& operator=(const RandomNumberGenerator&) = delete;
  virtual ~RandomNumberGenerator();

  // The next uniform number of the stream.
  virtual double rnd();
  // (Re)initialises the state; every generator uses the low 32 bits of seed.
  virtual void srnd(unsigned long seed);
};

#endif
