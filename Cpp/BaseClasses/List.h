#ifndef CORVAX_LIST_H
#define CORVAX_LIST_H

#include <iostream>
#include <memory>
#include <new>

#include "BaseClasses/PointerSlotIndex.h"
#include "Common/ErrorHandler.h"

// A growable array of object pointers that refuses duplicates (identity is
// pointer equality). The list never owns the objects it points to.
//
// The slot array is allocated at the first item: most lists of a model's
// state variables stay empty or are dropped in a share before they get one.
//
// A list that has held kIndexFrom pointers keeps an index from each pointer
// to its slot (PointerSlotIndex), so that the duplicate check of append and
// the searches of remove and replaceItem take constant time. Reason: the
// lists of a model's shared variables and of the actions that read whole
// arrays hold as many pointers as the model has copies, and building them by
// appends would take time quadratic in that number. Cost: 8 to 16 bytes per
// pointer of such a list; short lists have no index and scan.
template <class T>
class List {
 public:
  static constexpr int kIndexFrom = 16;

  List() : List(10) {}
  explicit List(int n) : capacity_(n > 0 ? n : 0) {}
  List(const List& other) : List(other.capacity_) {
    if (other.count_ == 0) return;
    allocateItems();
    for (int i = 0; i < other.count_; i++) items_[i] = other.items_[i];
    count_ = other.count_;
    if (other.index_) buildIndex();
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
    if (!items_) allocateItems();
    if (!contains(item)) store(item);
  }

  void append(T** newItems, int n) {
    for (int i = 0; i < n; i++) append(newItems[i]);
  }

  void append(List<T>* other) {
    if (!other || other == this) return;
    if (other->count_ == 0) return;
    if (count_ + other->count_ > capacity_) reallocate(2 * (count_ + other->count_));
    if (!items_) allocateItems();
    for (int i = 0; i < other->count_; i++)
      if (!contains(other->items_[i])) store(other->items_[i]);
  }

  // Adds the item unless present; never grows (callers leave room).
  void insertItem(T* item) {
    if (count_ >= capacity_ || contains(item)) return;
    if (!items_) allocateItems();
    store(item);
  }

  // Removes the item; the last item takes its slot.
  void remove(T* item) {
    int slot = indexOf(item);
    if (slot < 0) return;
    T* last = items_[count_ - 1];
    if (index_) {
      index_->Remove(items_, item);
      if (slot != count_ - 1) index_->Move(items_, last, slot);
    }
    items_[slot] = last;
    items_[--count_] = nullptr;
  }

  // Puts newItem where oldItem was; when both are stored, oldItem is removed.
  void replaceItem(T* oldItem, T* newItem) {
    const int oldSlot = indexOf(oldItem);
    if (oldSlot < 0) return;
    const int newSlot = indexOf(newItem);
    if (newSlot < 0) {
      if (index_) index_->Remove(items_, oldItem);
      items_[oldSlot] = newItem;
      if (index_) index_->Add(items_, oldSlot);
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
    if (index_) buildIndex();
  }

  bool contains(const T* item) const { return indexOf(item) >= 0; }
  T* getItem(int i) const { return items_[i]; }
  T* operator[](int i) const { return items_[i]; }
  int getNumItems() const { return count_; }
  int getCapacity() const { return capacity_; }
  T** getList() const { return items_; }
  void clearList() {
    count_ = 0;
    index_.reset();
  }

  void printList() const {
    if (count_ == 0) std::cout << "No items in the list" << std::endl;
    for (int i = 0; i < count_; i++)
      std::cout << "[" << i << "] " << static_cast<const void*>(items_[i]) << std::endl;
  }

 private:
  int indexOf(const T* item) const {
    if (index_) return index_->Find(items_, item);
    for (int i = 0; i < count_; i++)
      if (items_[i] == item) return i;
    return -1;
  }

  // Stores an item known to be absent at the end (room is there).
  void store(T* item) {
    items_[count_++] = item;
    if (index_)
      index_->Add(items_, count_ - 1);
    else if (count_ == kIndexFrom)
      buildIndex();
  }

  void buildIndex() {
    if (!index_) index_ = std::make_unique<PointerSlotIndex<T>>();
    index_->Build(items_, count_);
  }

  // The slot array of the list's capacity, at the first item.
  void allocateItems() {
    items_ = new (std::nothrow) T*[capacity_ > 0 ? capacity_ : 0]();
    if (!items_) {
      capacity_ = 0;
      MemoryAllocationError();
    }
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
  std::unique_ptr<PointerSlotIndex<T>> index_;
};

#endif
