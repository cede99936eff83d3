#ifndef CORVAX_LIST_H
#define CORVAX_LIST_H

#include <iostream>
#include <new>

#include "Common/ErrorHandler.h"

// A growable array of object pointers that refuses duplicates (identity is
// pointer equality). The list never owns the objects it points to.
template <class T>
class List {
 public:
  List() : List(10) {}
  explicit List(int n) {
    items_ = new (std::nothrow) T*[n > 0 ? n : 0]();
    if (!items_) {
      capacity_ = 0;
      MemoryAllocationError();
    }
    capacity_ = n > 0 ? n : 0;
  }
  List(const List& other) : List(other.capacity_) {
    for (int i = 0; i < other.count_; i++) items_[i] = other.items_[i];
    count_ = other.count_;
  }
  List& operator=(const List&) = delete;
  ~List() {
    delete[] items_;
    items_ = nullptr;
  }

  // Grows when full (even for a pointer already present), then adds the
  // item at the end unless it is already stored.
  void append(T* item) {
    if (count_ >= capacity_) reallocate(2 * capacity_ > 0 ? 2 * capacity_ : 1);
    if (!contains(item)) items_[count_++] = item;
  }

  void append(T** newItems, int n) {
    for (int i = 0; i < n; i++) append(newItems[i]);
  }

  void append(List<T>* other) {
    if (!other || other == this) return;
    if (count_ + other->count_ > capacity_) reallocate(2 * (count_ + other->count_));
    for (int i = 0; i < other->count_; i++)
      if (!contains(other->items_[i])) items_[count_++] = other->items_[i];
  }

  // Adds the item unless present; never grows (callers leave room).
  void insertItem(T* item) {
    if (count_ < capacity_ && !contains(item)) items_[count_++] = item;
  }

  // Removes the item; the last item takes its slot.
  void remove(T* item) {
    int slot = indexOf(item);
    if (slot < 0) return;
    items_[slot] = items_[count_ - 1];
    items_[--count_] = nullptr;
  }

  // Puts newItem where oldItem was; when both are stored, oldItem is removed.
  void replaceItem(T* oldItem, T* newItem) {
    int oldSlot = -1, newSlot = -1;
    for (int i = 0; i < count_ && (oldSlot < 0 || newSlot < 0); i++) {
      if (oldSlot < 0 && items_[i] == oldItem) oldSlot = i;
      if (newSlot < 0 && items_[i] == newItem) newSlot = i;
    }
    if (oldSlot < 0) return;
    if (newSlot < 0) {
      items_[oldSlot] = newItem;
    } else if (oldSlot != newSlot) {
      remove(oldItem);
    }
  }

  // Removes every item that other holds, keeping the order of the rest.
  void removeSetOfItems(const List<T>& other) {
    int kept = 0;
    for (int i = 0; i < count_; i++)
      if (!other.contains(items_[i])) items_[kept++] = items_[i];
    for (int i = kept; i < count_; i++) items_[i] = nullptr;
    count_ = kept;
  }

  bool contains(const T* item) const { return indexOf(item) >= 0; }
  T* getItem(int i) const { return items_[i]; }
  T* operator[](int i) const { return items_[i]; }
  int getNumItems() const { return count_; }
  int getCapacity() const { return capacity_; }
  T** getList() const { return items_; }
  void clearList() { count_ = 0; }

  void printList() const {
    if (count_ == 0) std::cout << "No items in the list" << std::endl;
    for (int i = 0; i < count_; i++)
      std::cout << "[" << i << "] " << static_cast<const void*>(items_[i]) << std::endl;
  }

 private:
  int indexOf(const T* item) const {
    for (int i = 0; i < count_; i++)
      if (items_[i] == item) return i;
    return -1;
  }

  void reallocate(int newCapacity) {
    T** grown = new (std::nothrow) T*[newCapacity]();
    if (!grown) {
      std::cerr << "!! Crtical error in "
                << "List<C>::append(List*)"
                << " do to insufficient memory...exiting" << std::endl;
      MemoryAllocationError();
    }
    for (int i = 0; i < count_; i++) grown[i] = items_[i];
    delete[] items_;
    items_ = grown;
    capacity_ = newCapacity;
  }

  T** items_ = nullptr;
  int count_ = 0;
  int capacity_ = 0;
};

#endif
