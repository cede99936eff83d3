#ifndef SAN_STUDY_MPI_MPI_DISTRIBUTION_H
#define SAN_STUDY_MPI_MPI_DISTRIBUTION_H

#include <memory>
#include <optional>
#include <sstream>

#include "MpiLink.h"
#include "MpiStreamExchange.h"
#include "StudyTool.h"

// The study over the ranks of MPI_COMM_WORLD: rank 0 leads (prepares the
// results, folds, decides, writes), the others follow. The others' output
// during the common steps is held back, and shown only when they stopped
// where rank 0 did not.
class MpiDistribution : public StudyDistribution {
 public:
  explicit MpiDistribution(MpiLink& link);
  ~MpiDistribution() override;

  std::optional<int> Agree(std::optional<int> status) override;
  unsigned Cores(unsigned jobs) override;
  bool Leads() const override { return link_.Rank() == 0; }
  StreamExchange& Start(const StudyPlan& plan, const std::vector<std::size_t>& runs) override;
  int Follow(const StudyOptions& options, const StudyDescription& description,
             const StudyPlan& plan) override;

  // Rank 0 once the study is over: whether the other ranks were told to
  // finish (else they must be aborted).
  bool Finished() const { return !exchange_ || exchange_->Done(); }

 private:
  MpiLink& link_;
  std::unique_ptr<MpiStreamExchange> exchange_;
  std::ostringstream heldOut_, heldErr_;
  std::streambuf* realOut_ = nullptr;
  std::streambuf* realErr_ = nullptr;
};

#endif
