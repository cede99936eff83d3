#ifndef SANGEN_DISTRIBUTION_TABLE_H
#define SANGEN_DISTRIBUTION_TABLE_H

#include <string>
#include <vector>

namespace sangen {

// A firing-time distribution an activity can name: its name in the model
// file, the framework's Distribution enumerator, its parameters and how
// the generated activity samples it.
struct DistributionKind {
  enum Sampling {
    Instant,    // fires at once: delay 0.0, no parameters
    Constant,   // the one parameter is the delay (DeterministicParamValue)
    Call,       // TheDistribution-><enumerator>(p0, p1, ...)
    Rates,      // TheDistribution-><enumerator>(n, rates): a list of n rates
    RatePairs,  // TheDistribution-><enumerator>(n, pairs): n [rate, weight] pairs
  };
  std::string name;
  std::string enumerator;
  // The parameters in order (Instant, Constant, Call); empty for the lists.
  std::vector<std::string> parameters;
  Sampling sampling;
  // The number of parameters given is right for this distribution.
  bool takes(std::size_t given) const;
  // What the distribution takes, for messages ("2 parameters: shape, scale").
  std::string expected() const;
};

// Every distribution, "instantaneous" first; nullptr for another name.
const std::vector<DistributionKind>& distributionKinds();
const DistributionKind* distributionNamed(const std::string& name);

}  // namespace sangen

#endif
