#ifndef CORVAX_SHARED_POINTER_NODE_H
#define CORVAX_SHARED_POINTER_NODE_H

#include <new>

#include "Common/ErrorHandler.h"

template <class T>
class SharableSV;

// One pointer field that points at a variable's storage cell: the address of
// the field, and the variable that owns it (null for an alias field, such as
// a second pointer of the same variable or an action's linked pointer).
template <class T>
class SharedPointerNode {
 public:
  SharedPointerNode(T** pointer, SharableSV<T>* owner, SharedPointerNode* next)
      : pointer_(pointer), owner_(owner), next_(next) {}

  T** getPointer() const { return pointer_; }
  SharableSV<T>* getOwner() const { return owner_; }
  SharedPointerNode* getNext() const { return next_; }
  void setNext(SharedPointerNode* node) { next_ = node; }

 private:
  T** pointer_;
  SharableSV<T>* owner_;
  SharedPointerNode* next_;
};

// The pointer chain of a share group: every pointer field that must follow
// the group's storage cell. Owns its nodes.
template <class T>
class SharedPointerList {
 public:
  SharedPointerList() = default;
  SharedPointerList(const SharedPointerList&) = delete;
  SharedPointerList& operator=(const SharedPointerList&) = delete;
  ~SharedPointerList() { clear(); }

  SharedPointerNode<T>* getHead() const { return head_; }

  // Registers a pointer field at the front of the chain.
  SharedPointerNode<T>* push(T** pointer, SharableSV<T>* owner) {
    auto* node = new (std::nothrow) SharedPointerNode<T>(pointer, owner, head_);
    if (!node) MemoryAllocationError();
    head_ = node;
    return node;
  }

  // Stores the cell's address into every registered pointer field.
  void redirect(T* cell) const {
    for (SharedPointerNode<T>* node = head_; node; node = node->getNext())
      *node->getPointer() = cell;
  }

  // Moves all nodes of this chain, in order, in front of the survivor's
  // chain; this chain is empty afterwards.
  void spliceInFrontOf(SharedPointerList& survivor) {
    if (!head_ || &survivor == this) return;
    SharedPointerNode<T>* tail = head_;
    while (tail->getNext()) tail = tail->getNext();
    tail->setNext(survivor.head_);
    survivor.head_ = head_;
    head_ = nullptr;
  }

  int length() const {
    int n = 0;
    for (SharedPointerNode<T>* node = head_; node; node = node->getNext()) n++;
    return n;
  }

  void clear() {
    while (head_) {
      SharedPointerNode<T>* next = head_->getNext();
      delete head_;
      head_ = next;
    }
  }

 private:
  SharedPointerNode<T>* head_ = nullptr;
};

#endif
