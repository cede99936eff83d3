#ifndef CORVAX_AFFECTED_LIST_STORE_H
#define CORVAX_AFFECTED_LIST_STORE_H

#include <memory>
#include <unordered_map>
#include <vector>

class BaseActionClass;
struct AffectedSpan;

// The storage of the actions' affected lists (ConnectivityTable builds
// them). A list is a few spans of groups; a span lies in the list's own
// block or inside a sequence of groups that many lists share. Reason: the
// readers of a variable that every copy of a model changes (the one repairer
// of N machines, say) would otherwise be repeated in the list of each of
// the N actions that change it, N^2 entries over the model, while the
// walks after a firing read the same groups in the same order from the one
// shared sequence. Cost: a span (16 bytes) per run of a list, and, where a
// list holds a shared sequence but for a few of its groups (its own, found
// earlier), one span more per group left out.
//
// A builder interns the sequences of groups it finds (one id per distinct
// contents), then gives each action its list as pieces of sequences in the
// order it found the groups; the store copies short pieces into the list's
// block, refers to long ones, and turns the order found into the walk
// order. Finish places everything and sets the actions' spans.
class AffectedListStore {
 public:
  // Positions [begin, end) of a sequence, or of the action's own groups
  // when sequence is kOwn.
  struct Piece {
    int sequence;
    int begin;
    int end;
  };
  static constexpr int kOwn = -1;
  // Sequences of at least this many groups are shared; shorter pieces are
  // copied into each list, which is as cheap to walk and saves the spans.
  static constexpr int kShareFrom = 32;

  AffectedListStore();
  ~AffectedListStore();
  AffectedListStore(const AffectedListStore&) = delete;
  AffectedListStore& operator=(const AffectedListStore&) = delete;

  // Frees every list (the actions would keep dangling spans: clear them
  // first).
  void Free();
  // Free(), then starts a build whose lists are walked in the order the
  // groups were found, or in the reverse order.
  void Begin(bool reversed);
  // The id of the sequence of distinct groups with these contents and
  // ranks (a number per group that the builder orders by, or none).
  int Intern(std::vector<BaseActionClass*> groups, std::vector<int> ranks = {});
  int Size(int sequence) const { return static_cast<int>(sequences_[sequence].groups.size()); }
  bool IsShared(int sequence) const { return Size(sequence) >= kShareFrom; }
  BaseActionClass* GroupAt(int sequence, int position) const {
    return sequences_[sequence].groups[position];
  }
  // The ranks of a sequence interned with ranks, in its order.
  const std::vector<int>& Ranks(int sequence) const { return sequences_[sequence].ranks; }
  // The position of the group in the sequence, or -1. Long sequences get an
  // index at their first look-up.
  int PositionOf(int sequence, const BaseActionClass* group);

  // Gives the action its list: the pieces, in the order found, of the
  // interned sequences and of own. Called once per action and build.
  void Assign(BaseActionClass* action, const std::vector<Piece>& pieces,
              const std::vector<BaseActionClass*>& own);
  // Places the lists assigned since Begin and sets the actions' spans.
  void Finish();

  // Changes of one list after Finish: the target in front / at the end.
  void Prepend(BaseActionClass* action, BaseActionClass* target);
  void Append(BaseActionClass* action, BaseActionClass* target);
  // The action's list becomes empty.
  static void ClearList(BaseActionClass* action);

 private:
  struct Sequence {
    std::vector<BaseActionClass*> groups;  // in the order found
    std::vector<int> ranks;
    std::unique_ptr<std::unordered_map<const BaseActionClass*, int>> positions;
    std::vector<BaseActionClass*> walked;  // a shared one in walk order, once used
  };
  // A span before Finish: a range of a shared sequence in walk order, or
  // of the block of copied groups (sequence kOwn).
  struct PendingSpan {
    int sequence;
    int begin;
    int count;
  };
  struct PendingList {
    BaseActionClass* action;
    int firstSpan;
    int numSpans;
  };

  void AddCopied(BaseActionClass* group);
  // Replaces the action's spans by a copy with one more span.
  void Respan(BaseActionClass* action, BaseActionClass* target, bool atFront);

  bool reversed_ = false;
  std::vector<Sequence> sequences_;
  std::unordered_multimap<std::size_t, int> byContents_;
  std::vector<BaseActionClass*> copied_;  // the lists' own blocks, in walk order
  std::vector<PendingSpan> pending_;
  std::vector<PendingList> lists_;
  // What Finish placed, and what later changes made.
  std::vector<std::unique_ptr<BaseActionClass*[]>> blocks_;
  std::vector<std::unique_ptr<AffectedSpan[]>> spanBlocks_;
};

#endif
