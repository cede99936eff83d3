#ifndef CORVAX_FAST_SET_H
#define CORVAX_FAST_SET_H

#include <cassert>
#include <set>

// A set of integers filled in tree form while reward structures are set up,
// then frozen (NoMoreModifications) into a sorted array that the simulation
// reads by position.
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
    return tree_->insert(v).second;
  }
  bool find(const int& v) const {
    assert(!is_vec_rep && "FastSet");
    return tree_->count(v) != 0;
  }
  bool empty() const {
    assert(!is_vec_rep && "FastSet");
    return tree_->empty();
  }
  void NoMoreModifications();

  int& operator[](int i) {
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
  int* vec_ = nullptr;
  int vecSize_ = 0;
};

#endif
