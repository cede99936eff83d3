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
      : pointer(pointer), owner(owner), next(next) {}

  T** getPointer() const { return pointer; }
  SharableSV<T>* getOwner() const { return owner; }
  SharedPointerNode* getNext() const { return next; }
  void setNext(SharedPointerNode* node) { next = node; }

 private:
  T** pointer;
  SharableSV<T>* owner;
  SharedPointerNode* next;
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

  SharedPointerNode<T>* getHead() const { return head; }

  // Registers a pointer field at the front of the chain.
  SharedPointerNode<T>* push(T** pointer, SharableSV<T>* owner) {
    auto* node = new (std::nothrow) SharedPointerNode<T>(pointer, owner, head);
    if (!node) MemoryAllocationError();
    head = node;
    return node;
  }

  // Stores the cell's address into every registered pointer field.
  void redirect(T* cell) const {
    for (SharedPointerNode<T>* node = head; node; node = node->getNext())
      *node->getPointer() = cell;
  }

  // Moves all nodes of this chain, in order, in front of the survivor's
  // chain; this chain is empty afterwards.
  void spliceInFrontOf(SharedPointerList& survivor) {
    if (!head || &survivor == this) return;
    SharedPointerNode<T>* tail = head;
    while (tail->getNext()) tail = tail->getNext();
    tail->setNext(survivor.head);
    survivor.head = head;
    head = nullptr;
  }

  int length() const {
    int n = 0;
    for (SharedPointerNode<T>* node = head; node; node = node->getNext()) n++;
    return n;
  }

  void clear() {
    while (head) {
      SharedPointerNode<T>* next = head->getNext();
      delete head;
      head = next;
    }
  }

 private:
  SharedPointerNode<T>* head = nullptr;
};

#endif
