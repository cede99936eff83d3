#include "BaseClasses/FastSet.h"

#include <algorithm>
#include <utility>

int FastSet::number1 = 0;
int FastSet::number2 = 0;

FastSet::FastSet() { number1++; }

FastSet::~FastSet() { delete tree_; }

void FastSet::NoMoreModifications() {
  assert(!is_vec_rep && "FastSet");
  const int n = tree_ ? static_cast<int>(tree_->size()) : 0;
  if (n > 0) {
    std::shared_ptr<int[]> members(new int[n]);
    std::copy(tree_->begin(), tree_->end(), members.get());
    vec_ = std::move(members);
  }
  delete tree_;
  tree_ = nullptr;
  vecSize_ = n;
  number2++;
  is_vec_rep = true;
}

void FastSet::FreezeAs(std::shared_ptr<const int[]> members, int n) {
  assert(!is_vec_rep && empty() && "FastSet");
  delete tree_;
  tree_ = nullptr;
  vec_ = n > 0 ? std::move(members) : nullptr;
  vecSize_ = n > 0 ? n : 0;
  number2++;
  is_vec_rep = true;
}

bool FastSet::contains(int v) const {
  if (!is_vec_rep) return tree_ && tree_->count(v) != 0;
  return std::binary_search(vec_.get(), vec_.get() + vecSize_, v);
}

void FastSet::clear() {
  if (!is_vec_rep) {
    if (tree_) tree_->clear();
    return;
  }
  vec_.reset();
  vecSize_ = 0;
}
