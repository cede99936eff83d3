#include "MpiDistribution.h"

#include <iostream>

#include "RankWorker.h"
#include "StudyRunner.h"

namespace {
std::vector<int> StreamsPerRun(const StudyPlan& plan, const std::vector<std::size_t>& runs) {
  std::vector<int> streams;
  for (std::size_t i : runs) streams.push_back(plan.experiments[i].Streams());
  return streams;
}
}  // namespace

MpiDistribution::MpiDistribution(MpiLink& link) : link_(link) {
  if (Leads()) return;
  realOut_ = std::cout.rdbuf(heldOut_.rdbuf());
  realErr_ = std::cerr.rdbuf(heldErr_.rdbuf());
}

MpiDistribution::~MpiDistribution() {
  if (realOut_) std::cout.rdbuf(realOut_);
  if (realErr_) std::cerr.rdbuf(realErr_);
}

std::optional<int> MpiDistribution::Agree(std::optional<int> status) {
  const int mine = status ? *status : -1;
  std::vector<int> all(static_cast<std::size_t>(link_.Size()));
  MPI_Allgather(&mine, 1, MPI_INT, all.data(), 1, MPI_INT, link_.Comm());
  const bool anyStopped = std::any_of(all.begin(), all.end(), [](int s) { return s >= 0; });
  if (!anyStopped) return std::nullopt;
  if (all[0] >= 0) return all[0];
  // Only other ranks stopped: their messages tell why.
  if (mine >= 0 && realErr_) {
    std::cerr.rdbuf(realErr_);
    std::cerr << "rank " << link_.Rank() << ": " << heldErr_.str() << std::flush;
    std::cerr.rdbuf(heldErr_.rdbuf());
  }
  if (Leads()) std::cerr << "the study stopped on another rank (see its message)\n";
  return 1;
}

unsigned MpiDistribution::Cores(unsigned jobs) {
  unsigned total = 0;
  MPI_Allreduce(&jobs, &total, 1, MPI_UNSIGNED, MPI_SUM, link_.Comm());
  return total;
}

StreamExchange& MpiDistribution::Start(const StudyPlan& plan,
                                       const std::vector<std::size_t>& runs) {
  std::int64_t count = static_cast<std::int64_t>(runs.size());
  MPI_Bcast(&count, 1, MPI_INT64_T, 0, link_.Comm());
  std::vector<std::int64_t> positions(runs.begin(), runs.end());
  MPI_Bcast(positions.data(), static_cast<int>(count), MPI_INT64_T, 0, link_.Comm());
  exchange_ = std::make_unique<MpiStreamExchange>(
      link_, StreamPlacement(StreamsPerRun(plan, runs), link_.Size()), runs.size());
  return *exchange_;
}

int MpiDistribution::Follow(const StudyOptions& options, const StudyDescription& description,
                            const StudyPlan& plan) {
  if (Agree(std::nullopt)) return 0;  // rank 0 stopped while preparing the results
  std::int64_t count = 0;
  MPI_Bcast(&count, 1, MPI_INT64_T, 0, link_.Comm());
  std::vector<std::int64_t> positions(static_cast<std::size_t>(count));
  MPI_Bcast(positions.data(), static_cast<int>(count), MPI_INT64_T, 0, link_.Comm());
  std::vector<std::size_t> runs(positions.begin(), positions.end());
  std::vector<PlannedExperiment> experiments;
  for (std::size_t i : runs) experiments.push_back(plan.experiments.at(i));
  const StreamPlacement placement(StreamsPerRun(plan, runs), link_.Size());
  return RankWorker(StudySessionSettings(options, description), options.jobs,
                    std::move(experiments), placement, link_)
      .Run();
}
