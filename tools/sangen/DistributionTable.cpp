#include "DistributionTable.h"

namespace sangen {

bool DistributionKind::takes(std::size_t given) const {
  switch (sampling) {
    case Rates:
      return given > 0;
    case RatePairs:
      return given > 0 && given % 2 == 0;
    default:
      return given == parameters.size();
  }
}

std::string DistributionKind::expected() const {
  if (sampling == Rates) return "a list of one or more rates";
  if (sampling == RatePairs) return "a list of [rate, weight] pairs";
  if (parameters.empty()) return "no parameters";
  std::string list;
  for (const std::string& p : parameters) list += (list.empty() ? "" : ", ") + p;
  return std::to_string(parameters.size()) + " parameter(s): " + list;
}

const std::vector<DistributionKind>& distributionKinds() {
  using K = DistributionKind;
  static const std::vector<DistributionKind> kinds = {
      {"instantaneous", "Instantaneous", {}, K::Instant},
      {"exponential", "Exponential", {"rate"}, K::Call},
      {"deterministic", "Deterministic", {"value"}, K::Constant},
      {"uniform", "Uniform", {"lower", "upper"}, K::Call},
      {"geometric", "Geometric", {"p"}, K::Call},
      {"weibull", "Weibull", {"shape", "scale"}, K::Call},
      {"conditional_weibull", "ConditionalWeibull", {"shape", "scale", "age"}, K::Call},
      {"pareto", "Pareto", {"scale", "shape"}, K::Call},
      {"erlang", "Erlang", {"stages", "mean"}, K::Call},
      {"hypoexponential", "HypoExponential", {}, K::Rates},
      {"hyperexponential", "HyperExponential", {}, K::RatePairs},
      {"triangular", "Triangular", {"minimum", "maximum", "mode"}, K::Call},
      {"normal", "Normal", {"mean", "variance"}, K::Call},
      {"lognormal", "Lognormal", {"mean", "variance"}, K::Call},
      {"gamma", "Gamma", {"shape", "scale"}, K::Call},
      {"beta", "Beta", {"a", "b"}, K::Call},
      {"binomial", "Binomial", {"trials", "p"}, K::Call},
      {"negative_binomial", "NegativeBinomial", {"r", "p"}, K::Call}};
  return kinds;
}

const DistributionKind* distributionNamed(const std::string& name) {
  for (const DistributionKind& kind : distributionKinds())
    if (kind.name == name) return &kind;
  return nullptr;
}

}  // namespace sangen
