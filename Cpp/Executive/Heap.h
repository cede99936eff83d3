#ifndef CORVAX_HEAP_H
#define CORVAX_HEAP_H

#include <cassert>
#include <utility>
#include <vector>

// Indexed min-heap: every key belongs to a small integer identifier, and a
// key can be changed through its identifier in logarithmic time. Keys are
// compared with strict greater-than only, so equal keys keep their places.
template <class T>
class Heap {
 public:
  explicit Heap(int capacity)
      : keyCapacity_(capacity > 0 ? capacity : 0),
        keys_(keyCapacity_),
        positions_(keyCapacity_),
        ids_(keyCapacity_),
        idCapacity_(keyCapacity_) {}

  // Adds key under identifier id (which must not be in the heap yet).
  void Insert(const T& key, int id) {
    assert(id >= 0);
    assert(!Contains(id));
    if (size == keyCapacity_) {
      keyCapacity_ = keyCapacity_ > 0 ? 2 * keyCapacity_ : 1;
      keys_.resize(keyCapacity_);
      ids_.resize(keyCapacity_);
    }
    if (id >= idCapacity_) {
      if (idCapacity_ == 0) idCapacity_ = 1;
      while (idCapacity_ <= id) idCapacity_ *= 2;
      positions_.resize(idCapacity_);
    }
    keys_[size] = key;
    positions_[id] = size;
    ids_[size] = id;
    size++;
    BubbleUp(size - 1);
  }

  // Sifts the key at position i down until no child is smaller.
  void BubbleDown(int i) {
    while (2 * i + 1 < size) {
      int child = 2 * i + 1;
      if (child + 1 < size && keys_[child] > keys_[child + 1]) child++;
      if (!(keys_[i] > keys_[child])) return;
      Swap(i, child);
      i = child;
    }
  }

  int TopId() const {
    assert(size > 0);
    return ids_[0];
  }
  const T& TopKey() const {
    assert(size > 0);
    return keys_[0];
  }
  const T& Key(int id) const {
    assert(Contains(id));
    return keys_[positions_[id]];
  }

  // Replaces the key of identifier id and restores the heap order.
  void ChangeKey(int id, const T& key) {
    assert(Contains(id));
    int position = positions_[id];
    keys_[position] = key;
    if (BubbleUp(position) == position) BubbleDown(position);
  }

  bool Contains(int id) const {
    return id >= 0 && id < idCapacity_ && positions_[id] < size && ids_[positions_[id]] == id;
  }
  int Size() const { return size; }

 private:
  // Sifts the key at position i up; returns its final position.
  int BubbleUp(int i) {
    while (i > 0) {
      int parent = (i - 1) / 2;
      if (!(keys_[parent] > keys_[i])) break;
      Swap(i, parent);
      i = parent;
    }
    return i;
  }

  void Swap(int a, int b) {
    std::swap(keys_[a], keys_[b]);
    std::swap(ids_[a], ids_[b]);
    positions_[ids_[a]] = a;
    positions_[ids_[b]] = b;
  }

  int keyCapacity_;
  std::vector<T> keys_;         // in heap order
  std::vector<int> positions_;  // heap position of each identifier
  std::vector<int> ids_;        // identifier at each heap position
  int idCapacity_;
  int size = 0;  // named as the "size > 0" assertion reports it
};

#endif
