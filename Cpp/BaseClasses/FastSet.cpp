#include "BaseClasses/FastSet.h"

#include <algorithm>

int FastSet::number1 = 0;
int FastSet::number2 = 0;

FastSet::FastSet() : tree_(new std::set<int>) { number1++; }

FastSet::~FastSet() {
  delete tree_;
  delete[] vec_;
}

void FastSet::NoMoreModifications() {
  assert(!is_vec_rep && "FastSet");
  int n = static_cast<int>(tree_->size());
  vec_ = n > 0 ? new int[n] : nullptr;
  std::copy(tree_->begin(), tree_->end(), vec_);
  delete tree_;
  tree_ = nullptr;
  vecSize_ = n;
  number2++;
  is_vec_rep = true;
}

bool FastSet::contains(int v) const {
  if (!is_vec_rep) return tree_->count(v) != 0;
  return std::binary_search(vec_, vec_ + vecSize_, v);
}

void FastSet::clear() {
  if (!is_vec_rep) {
    tree_->clear();
    return;
  }
  delete[] vec_;
  vec_ = nullptr;
  vecSize_ = 0;
}
