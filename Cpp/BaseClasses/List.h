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
    items = new (std::nothrow) T*[n > 0 ? n : 0]();
    if (!items) {
      capacity = 0;
      MemoryAllocationError();
    }
    capacity = n > 0 ? n : 0;
  }
  List(const List& other) : List(other.capacity) {
    for (int i = 0; i < other.count; i++) items[i] = other.items[i];
    count = other.count;
  }
  List& operator=(const List&) = delete;
  ~List() {
    delete[] items;
    items = nullptr;
  }

  // Grows when full (even for a pointer already present), then adds the
  // item at the end unless it is already stored.
  void append(T* item) {
    if (count >= capacity) reallocate(2 * capacity > 0 ? 2 * capacity : 1);
    if (!contains(item)) items[count++] = item;
  }

  void append(T** newItems, int n) {
    for (int i = 0; i < n; i++) append(newItems[i]);
  }

  void append(List<T>* other) {
    if (!other || other == this) return;
    if (count + other->count > capacity) reallocate(2 * (count + other->count));
    for (int i = 0; i < other->count; i++)
      if (!contains(other->items[i])) items[count++] = other->items[i];
  }

  // Adds the item unless present; never grows (callers leave room).
  void insertItem(T* item) {
    if (count < capacity && !contains(item)) items[count++] = item;
  }

  // Removes the item; the last item takes its slot.
  void remove(T* item) {
    int slot = indexOf(item);
    if (slot < 0) return;
    items[slot] = items[count - 1];
    items[--count] = nullptr;
  }

  // Puts newItem where oldItem was; when both are stored, oldItem is removed.
  void replaceItem(T* oldItem, T* newItem) {
    int oldSlot = -1, newSlot = -1;
    for (int i = 0; i < count && (oldSlot < 0 || newSlot < 0); i++) {
      if (oldSlot < 0 && items[i] == oldItem) oldSlot = i;
      if (newSlot < 0 && items[i] == newItem) newSlot = i;
    }
    if (oldSlot < 0) return;
    if (newSlot < 0) {
      items[oldSlot] = newItem;
    } else if (oldSlot != newSlot) {
      remove(oldItem);
    }
  }

  // Removes every item that other holds, keeping the order of the rest.
  void removeSetOfItems(const List<T>& other) {
    int kept = 0;
    for (int i = 0; i < count; i++)
      if (!other.contains(items[i])) items[kept++] = items[i];
    for (int i = kept; i < count; i++) items[i] = nullptr;
    count = kept;
  }

  bool contains(const T* item) const { return indexOf(item) >= 0; }
  T* getItem(int i) const { return items[i]; }
  T* operator[](int i) const { return items[i]; }
  int getNumItems() const { return count; }
  int getCapacity() const { return capacity; }
  T** getList() const { return items; }
  void clearList() { count = 0; }

  void printList() const {
    if (count == 0) std::cout << "No items in the list" << std::endl;
    for (int i = 0; i < count; i++)
      std::cout << "[" << i << "] " << static_cast<const void*>(items[i]) << std::endl;
  }

 private:
  int indexOf(const T* item) const {
    for (int i = 0; i < count; i++)
      if (items[i] == item) return i;
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
    for (int i = 0; i < count; i++) grown[i] = items[i];
    delete[] items;
    items = grown;
    capacity = newCapacity;
  }

  T** items = nullptr;
  int count = 0;
  int capacity = 0;
};

#endif
