#include "BaseClasses/FastSet.h"

#include <algorithm>

int FastSet::number1 = 0;
int FastSet::number2 = 0;

FastSet::FastSet() : tree(new std::set<int>) { number1++; }

FastSet::~FastSet() {
  delete tree;
  delete[] vec;
}

void FastSet::NoMoreModifications() {
  assert(!is_vec_rep && "FastSet");
  int n = static_cast<int>(tree->size());
  vec = n > 0 ? new int[n] : nullptr;
  std::copy(tree->begin(), tree->end(), vec);
  delete tree;
  tree = nullptr;
  vecSize = n;
  number2++;
  is_vec_rep = true;
}

bool FastSet::contains(int v) const {
  if (!is_vec_rep) return tree->count(v) != 0;
  return std::binary_search(vec, vec + vecSize, v);
}

void FastSet::clear() {
  if (!is_vec_rep) {
    tree->clear();
    return;
  }
  delete[] vec;
  vec = nullptr;
  vecSize = 0;
}
