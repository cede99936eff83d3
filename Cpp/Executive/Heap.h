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
      : keyCapacity(capacity > 0 ? capacity : 0),
        keys(keyCapacity),
        positions(keyCapacity),
        ids(keyCapacity),
        idCapacity(keyCapacity) {}

  // Adds key under identifier id (which must not be in the heap yet).
  void Insert(const T& key, int id) {
    assert(id >= 0);
    assert(!Contains(id));
    if (size == keyCapacity) {
      keyCapacity = keyCapacity > 0 ? 2 * keyCapacity : 1;
      keys.resize(keyCapacity);
      ids.resize(keyCapacity);
    }
    if (id >= idCapacity) {
      if (idCapacity == 0) idCapacity = 1;
      while (idCapacity <= id) idCapacity *= 2;
      positions.resize(idCapacity);
    }
    keys[size] = key;
    positions[id] = size;
    ids[size] = id;
    size++;
    BubbleUp(size - 1);
  }

  // Sifts the key at position i down until no child is smaller.
  void BubbleDown(int i) {
    while (2 * i + 1 < size) {
      int child = 2 * i + 1;
      if (child + 1 < size && keys[child] > keys[child + 1]) child++;
      if (!(keys[i] > keys[child])) return;
      Swap(i, child);
      i = child;
    }
  }

  int TopId() const {
    assert(size > 0);
    return ids[0];
  }
  const T& TopKey() const {
    assert(size > 0);
    return keys[0];
  }
  const T& Key(int id) const {
    assert(Contains(id));
    return keys[positions[id]];
  }

  // Replaces the key of identifier id and restores the heap order.
  void ChangeKey(int id, const T& key) {
    assert(Contains(id));
    int position = positions[id];
    keys[position] = key;
    if (BubbleUp(position) == position) BubbleDown(position);
  }

  bool Contains(int id) const {
    return id >= 0 && id < idCapacity && positions[id] < size && ids[positions[id]] == id;
  }
  int Size() const { return size; }

 private:
  // Sifts the key at position i up; returns its final position.
  int BubbleUp(int i) {
    while (i > 0) {
      int parent = (i - 1) / 2;
      if (!(keys[parent] > keys[i])) break;
      Swap(i, parent);
      i = parent;
    }
    return i;
  }

  void Swap(int a, int b) {
    std::swap(keys[a], keys[b]);
    std::swap(ids[a], ids[b]);
    positions[ids[a]] = a;
    positions[ids[b]] = b;
  }

  int keyCapacity;
  std::vector<T> keys;       // in heap order
  std::vector<int> positions;  // heap position of each identifier
  std::vector<int> ids;        // identifier at each heap position
  int idCapacity;
  int size = 0;
};

#endif
