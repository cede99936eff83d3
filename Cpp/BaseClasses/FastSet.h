#ifndef CORVAX_FAST_SET_H
#define CORVAX_FAST_SET_H

#include <cassert>
#include <memory>
#include <set>

// A set of integers filled in tree form while reward structures are set up,
// then frozen (NoMoreModifications) into a sorted array that the simulation
// reads by position.
//
// The tree is made at the first insert: most sets of a model stay empty.
// A frozen array may be shared by many sets (FreezeAs): the sets of the
// actions that all reach the same workers of a variable then cost one
// array, not one each. Frozen members are read only.
class FastSet {
 public:
  static int number1;  // sets constructed
  static int number2;  // sets frozen

  FastSet();
  FastSet(const FastSet&) = delete;
  FastSet& operator=(const FastSet&) = delete;
  ~FastSet();

  bool insert(const int& v) {
    assert(!is_vec_rep && "FastSet");
    if (!tree_) tree_ = new std::set<int>;
    return tree_->insert(v).second;
  }
  bool find(const int& v) const {
    assert(!is_vec_rep && "FastSet");
    return tree_ && tree_->count(v) != 0;
  }
  bool empty() const {
    assert(!is_vec_rep && "FastSet");
    return !tree_ || tree_->empty();
  }
  void NoMoreModifications();
  // Freezes an empty set in tree form into the n members of the given
  // array, ascending and distinct, which other sets may share.
  void FreezeAs(std::shared_ptr<const int[]> members, int n);

  const int& operator[](int i) const {
    assert(is_vec_rep && "FastSet");
    return vec_[i];
  }
  int size() const {
    assert(is_vec_rep && "FastSet");
    return vecSize_;
  }
  // Membership in either form; used where the form is not known.
  bool contains(int v) const;
  bool isFrozen() const { return is_vec_rep; }
  void clear();

 private:
  bool is_vec_rep = false;
  std::set<int>* tree_ = nullptr;
  std::shared_ptr<const int[]> vec_;
  int vecSize_ = 0;
};

#endif
