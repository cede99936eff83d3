#include "Solver/VanishingEliminator.h"

#include <Eigen/SparseCore>
#include <Eigen/SparseLU>
#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <utility>

#include "BaseClasses/Activity.h"
#include "Solver/RewardStructure.h"
#include "Solver/SolverError.h"

namespace {
// Markings per block of the local chain's store: most local chains are a few
// markings long.
constexpr int kLocalBlockBits = 8;
}  // namespace

VanishingEliminator::VanishingEliminator(MarkingModel& model, RewardStructure& rewards,
                                         std::function<uint32_t(const unsigned char*)> addTangible,
                                         uint32_t maxMarkings)
    : model_(model),
      rewards_(rewards),
      addTangible_(std::move(addTangible)),
      maxMarkings_(maxMarkings),
      numImpulses_(static_cast<std::size_t>(rewards.NumImpulseSlots())),
      local_(model.MarkingSize(), kLocalBlockBits),
      cache_(model.MarkingSize()),
      buffer_(model.MarkingSize()) {
  exitStart_.push_back(0);
}

VanishingExits VanishingEliminator::Resolve(const unsigned char* vanishing) {
  uint32_t r = cache_.Find(vanishing);
  if (r == MarkingStore::kNone) {
    ExploreFrom(vanishing);
    CountVisits();
    r = Record(vanishing);
  }
  const std::size_t first = exitStart_[r];
  return {exitTargets_.data() + first, exitProbabilities_.data() + first, exitStart_[r + 1] - first,
          exitImpulses_.data() + r * numImpulses_};
}

void VanishingEliminator::ExploreFrom(const unsigned char* root) {
  local_.Clear();
  edges_.clear();
  edgeStart_.clear();
  localImpulses_.clear();
  bool added = false;
  local_.Insert(root, added);
  for (uint32_t v = 0; v < local_.Size(); v++) {
    edgeStart_.push_back(edges_.size());
    localImpulses_.resize((static_cast<std::size_t>(v) + 1) * numImpulses_, 0.0);
    model_.Load(local_.Marking(v));
    model_.InstantaneousMoves(moves_);
    if (moves_.empty())
      throw SolverError(
          "an instantaneous activity is enabled in a reachable marking but none of its cases "
          "is: the simulator would try to fire it again and again at one instant");
    for (std::size_t m = 0; m < moves_.size(); m++) {
      if (m > 0) model_.Load(local_.Marking(v));
      BaseActionClass* fired = model_.Fire(moves_[m].action);
      rewards_.AddImpulses(fired, moves_[m].weight, localImpulses_.data() + v * numImpulses_);
      const bool vanishing = model_.Vanishing();
      model_.Save(buffer_.data());
      if (vanishing) {
        const uint32_t w = local_.Insert(buffer_.data(), added);
        if (local_.Size() > maxMarkings_)
          throw SolverError("instantaneous firings from one marking reach more than " +
                            std::to_string(maxMarkings_) +
                            " vanishing markings before time can move on; raise --max-states "
                            "to follow them");
        edges_.push_back({v, w, false, moves_[m].weight, moves_[m].action});
      } else {
        edges_.push_back(
            {v, addTangible_(buffer_.data()), true, moves_[m].weight, moves_[m].action});
      }
    }
  }
  edgeStart_.push_back(edges_.size());
}

void VanishingEliminator::CountVisits() {
  const uint32_t n = local_.Size();
  // Topological order of the firings among vanishing markings (Kahn).
  std::vector<uint32_t> indegree(n, 0);
  for (const Edge& e : edges_)
    if (!e.tangible) indegree[e.to]++;
  std::vector<uint32_t> order;
  order.reserve(n);
  for (uint32_t v = 0; v < n; v++)
    if (indegree[v] == 0) order.push_back(v);
  for (std::size_t k = 0; k < order.size(); k++) {
    const uint32_t v = order[k];
    for (std::size_t e = edgeStart_[v]; e < edgeStart_[v + 1]; e++)
      if (!edges_[e].tangible && --indegree[edges_[e].to] == 0) order.push_back(edges_[e].to);
  }
  if (order.size() < n) {
    RefuseEndlessLoops();
    CountVisitsWithLoops();
    return;
  }
  visits_.assign(n, 0.0);
  visits_[0] = 1.0;
  for (uint32_t v : order)
    for (std::size_t e = edgeStart_[v]; e < edgeStart_[v + 1]; e++)
      if (!edges_[e].tangible) visits_[edges_[e].to] += visits_[v] * edges_[e].probability;
}

void VanishingEliminator::RefuseEndlessLoops() const {
  const uint32_t n = local_.Size();
  // The markings from which a tangible marking can be reached, found
  // backwards from those with a firing into one.
  std::vector<std::vector<uint32_t>> predecessors(n);
  std::vector<char> escapes(n, 0);
  std::vector<uint32_t> work;
  for (const Edge& e : edges_) {
    if (e.tangible) {
      if (!escapes[e.from]) work.push_back(e.from);
      escapes[e.from] = 1;
    } else {
      predecessors[e.to].push_back(e.from);
    }
  }
  while (!work.empty()) {
    const uint32_t v = work.back();
    work.pop_back();
    for (uint32_t u : predecessors[v])
      if (!escapes[u]) {
        escapes[u] = 1;
        work.push_back(u);
      }
  }
  std::set<std::string> names;
  for (const Edge& e : edges_)
    if (!e.tangible && !escapes[e.from] && !escapes[e.to]) names.insert(e.action->getName());
  if (names.empty()) return;
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  throw SolverError("instantaneous activities (" + list +
                    ") can fire forever in a loop of markings without time passing; the "
                    "simulator would never move on from that instant");
}

void VanishingEliminator::CountVisitsWithLoops() {
  const auto n = static_cast<Eigen::Index>(local_.Size());
  // (I - P_vv)^T y = e_root.
  std::vector<Eigen::Triplet<double>> entries;
  entries.reserve(edges_.size() + static_cast<std::size_t>(n));
  for (Eigen::Index v = 0; v < n; v++) entries.emplace_back(v, v, 1.0);
  for (const Edge& e : edges_)
    if (!e.tangible) entries.emplace_back(e.to, e.from, -e.probability);
  Eigen::SparseMatrix<double> system(n, n);
  system.setFromTriplets(entries.begin(), entries.end());
  Eigen::SparseLU<Eigen::SparseMatrix<double>> lu;
  lu.compute(system);
  Eigen::VectorXd root = Eigen::VectorXd::Zero(n);
  root(0) = 1.0;
  Eigen::VectorXd visits;
  if (lu.info() == Eigen::Success) visits = lu.solve(root);
  if (lu.info() != Eigen::Success || !visits.allFinite())
    throw SolverError(
        "the loops of instantaneous firings from a vanishing marking could not be "
        "solved (" +
        lu.lastErrorMessage() + ")");
  visits_.assign(visits.data(), visits.data() + n);
}

uint32_t VanishingEliminator::Record(const unsigned char* root) {
  std::vector<std::pair<uint32_t, double>> exits;
  for (const Edge& e : edges_)
    if (e.tangible) exits.emplace_back(e.to, visits_[e.from] * e.probability);
  std::sort(exits.begin(), exits.end());
  for (std::size_t k = 0; k < exits.size(); k++) {
    if (k > 0 && exits[k].first == exits[k - 1].first) {
      exitProbabilities_.back() += exits[k].second;
    } else {
      exitTargets_.push_back(exits[k].first);
      exitProbabilities_.push_back(exits[k].second);
    }
  }
  for (std::size_t i = 0; i < numImpulses_; i++) {
    double expected = 0.0;
    for (std::size_t v = 0; v < visits_.size(); v++)
      expected += visits_[v] * localImpulses_[v * numImpulses_ + i];
    exitImpulses_.push_back(expected);
  }
  exitStart_.push_back(exitTargets_.size());
  bool added = false;
  return cache_.Insert(root, added);
}
