#include "Executive/AffectedListStore.h"

#include <algorithm>
#include <cassert>
#include <functional>
#include <utility>

#include "BaseClasses/BaseActionClass.h"

namespace {
std::size_t HashOf(const std::vector<BaseActionClass*>& groups, const std::vector<int>& ranks) {
  std::size_t hash = groups.size();
  auto mix = [&hash](std::size_t value) {
    hash ^= value + 0x9E3779B97F4A7C15ULL + (hash << 6) + (hash >> 2);
  };
  for (BaseActionClass* group : groups) mix(std::hash<BaseActionClass*>{}(group));
  for (int rank : ranks) mix(static_cast<std::size_t>(rank));
  return hash;
}

template <class T>
std::unique_ptr<T[]> CopyOf(const std::vector<T>& items) {
  auto copy = std::make_unique<T[]>(items.empty() ? 1 : items.size());
  std::copy(items.begin(), items.end(), copy.get());
  return copy;
}
}  // namespace

AffectedListStore::AffectedListStore() = default;
AffectedListStore::~AffectedListStore() = default;

void AffectedListStore::Begin(bool reversed) {
  Free();
  reversed_ = reversed;
}

void AffectedListStore::Free() {
  sequences_.clear();
  byContents_.clear();
  copied_.clear();
  pending_.clear();
  lists_.clear();
  blocks_.clear();
  spanBlocks_.clear();
}

int AffectedListStore::Intern(std::vector<BaseActionClass*> groups, std::vector<int> ranks) {
  const std::size_t hash = HashOf(groups, ranks);
  const auto [first, last] = byContents_.equal_range(hash);
  for (auto entry = first; entry != last; ++entry) {
    const Sequence& known = sequences_[entry->second];
    if (known.groups == groups && known.ranks == ranks) return entry->second;
  }
  const int id = static_cast<int>(sequences_.size());
  sequences_.push_back(Sequence{std::move(groups), std::move(ranks), nullptr, {}});
  byContents_.emplace(hash, id);
  return id;
}

int AffectedListStore::PositionOf(int sequence, const BaseActionClass* group) {
  Sequence& known = sequences_[sequence];
  if (!IsShared(sequence)) {
    const auto found = std::find(known.groups.begin(), known.groups.end(), group);
    return found == known.groups.end() ? -1 : static_cast<int>(found - known.groups.begin());
  }
  if (!known.positions) {
    known.positions = std::make_unique<std::unordered_map<const BaseActionClass*, int>>();
    known.positions->reserve(known.groups.size());
    for (std::size_t p = 0; p < known.groups.size(); p++)
      known.positions->emplace(known.groups[p], static_cast<int>(p));
  }
  const auto found = known.positions->find(group);
  return found == known.positions->end() ? -1 : found->second;
}

void AffectedListStore::AddCopied(BaseActionClass* group) {
  // Copied groups of one list are adjacent in the block: extend its last
  // span when that one is of the block too.
  if (!pending_.empty() && lists_.back().numSpans > 0) {
    PendingSpan& last = pending_.back();
    if (last.sequence == kOwn && last.begin + last.count == static_cast<int>(copied_.size())) {
      copied_.push_back(group);
      last.count++;
      return;
    }
  }
  pending_.push_back(PendingSpan{kOwn, static_cast<int>(copied_.size()), 1});
  copied_.push_back(group);
  lists_.back().numSpans++;
}

void AffectedListStore::Assign(BaseActionClass* action, const std::vector<Piece>& pieces,
                               const std::vector<BaseActionClass*>& own) {
  lists_.push_back(PendingList{action, static_cast<int>(pending_.size()), 0});
  const int numPieces = static_cast<int>(pieces.size());
  for (int k = 0; k < numPieces; k++) {
    const Piece& piece = pieces[reversed_ ? numPieces - 1 - k : k];
    if (piece.begin >= piece.end) continue;
    if (piece.sequence != kOwn && IsShared(piece.sequence)) {
      const int size = Size(piece.sequence);
      const int begin = reversed_ ? size - piece.end : piece.begin;
      pending_.push_back(PendingSpan{piece.sequence, begin, piece.end - piece.begin});
      lists_.back().numSpans++;
      continue;
    }
    const std::vector<BaseActionClass*>& groups =
        piece.sequence == kOwn ? own : sequences_[piece.sequence].groups;
    if (reversed_)
      for (int p = piece.end - 1; p >= piece.begin; p--) AddCopied(groups[p]);
    else
      for (int p = piece.begin; p < piece.end; p++) AddCopied(groups[p]);
  }
}

void AffectedListStore::Finish() {
  // The shared sequences in use, in walk order, each placed once.
  std::vector<BaseActionClass* const*> placed(sequences_.size(), nullptr);
  for (const PendingSpan& span : pending_) {
    if (span.sequence == kOwn || placed[span.sequence]) continue;
    std::vector<BaseActionClass*>& groups = sequences_[span.sequence].groups;
    if (reversed_) std::reverse(groups.begin(), groups.end());
    blocks_.push_back(CopyOf(groups));
    placed[span.sequence] = blocks_.back().get();
  }
  blocks_.push_back(CopyOf(copied_));
  BaseActionClass* const* copied = blocks_.back().get();

  spanBlocks_.push_back(std::make_unique<AffectedSpan[]>(pending_.empty() ? 1 : pending_.size()));
  AffectedSpan* spans = spanBlocks_.back().get();
  for (std::size_t s = 0; s < pending_.size(); s++) {
    const PendingSpan& span = pending_[s];
    BaseActionClass* const* base = span.sequence == kOwn ? copied : placed[span.sequence];
    spans[s] = AffectedSpan{base + span.begin, span.count};
  }
  for (const PendingList& list : lists_) {
    list.action->AffectedSpans = list.numSpans > 0 ? spans + list.firstSpan : nullptr;
    list.action->NumAffectedSpans = list.numSpans;
  }
  // Only the placed blocks remain.
  sequences_.clear();
  sequences_.shrink_to_fit();
  byContents_.clear();
  copied_.clear();
  copied_.shrink_to_fit();
  pending_.clear();
  pending_.shrink_to_fit();
  lists_.clear();
  lists_.shrink_to_fit();
}

void AffectedListStore::Respan(BaseActionClass* action, BaseActionClass* target, bool atFront) {
  auto block = std::make_unique<BaseActionClass*[]>(1);
  block[0] = target;
  const int count = action->NumAffectedSpans + 1;
  auto spans = std::make_unique<AffectedSpan[]>(count);
  const AffectedSpan added{block.get(), 1};
  for (int s = 0; s < action->NumAffectedSpans; s++)
    spans[atFront ? s + 1 : s] = action->AffectedSpans[s];
  spans[atFront ? 0 : count - 1] = added;
  action->AffectedSpans = spans.get();
  action->NumAffectedSpans = count;
  blocks_.push_back(std::move(block));
  spanBlocks_.push_back(std::move(spans));
}

void AffectedListStore::Prepend(BaseActionClass* action, BaseActionClass* target) {
  Respan(action, target, true);
}

void AffectedListStore::Append(BaseActionClass* action, BaseActionClass* target) {
  Respan(action, target, false);
}

void AffectedListStore::ClearList(BaseActionClass* action) {
  action->AffectedSpans = nullptr;
  action->NumAffectedSpans = 0;
}
