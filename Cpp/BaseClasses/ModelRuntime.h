#ifndef CORVAX_MODEL_RUNTIME_H
#define CORVAX_MODEL_RUNTIME_H

// What the code that sangen generates for a model uses besides the
// framework's classes: the output arcs' token count, the value cells of
// places, the element tables and array views through which activity code
// reaches arrays, the group of an activity's cases, and the checks of the
// values a model file's expressions give when the model is built.

#include <array>
#include <cassert>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "BaseClasses/PostselectGroup.h"
#include "BaseClasses/state/ArrayStateVariable.h"
#include "BaseClasses/state/ExtendedPlace.h"
#include "BaseClasses/state/Place.h"

namespace san {

// Ends the run: an output arc would take the marking of `place` beyond the
// largest value its type holds (a 16-bit place's count would wrap around to
// a negative one and silently disable what waits for it).
[[noreturn]] void markingOverflow(const char* place, long long largest);

// What an output arc does: one more token in the place.
template <class T>
inline void addToken(T* marking, const char* place) {
  if (*marking == std::numeric_limits<T>::max()) [[unlikely]]
    markingOverflow(place, std::numeric_limits<T>::max());
  *marking += 1;
}

// Ends the run: the value that a model file's expression gave `element` (a
// place, a field or an array type's length, with its place in the model
// file) lies outside lowest .. highest.
[[noreturn]] void badModelValue(const std::string& value, const char* element, long long lowest,
                                long long highest);

// Whether the number `value` converts to one within lowest .. highest: a
// fraction is cut off (NaN never converts).
template <class V>
bool inRange(V value, long long lowest, long long highest) {
  if constexpr (std::is_floating_point_v<V>)
    return value > static_cast<V>(lowest) - 1 && value < static_cast<V>(highest) + 1;
  else if constexpr (std::is_signed_v<V>)
    return static_cast<long long>(value) >= lowest && static_cast<long long>(value) <= highest;
  else
    return lowest <= 0 &&
           static_cast<unsigned long long>(value) <= static_cast<unsigned long long>(highest);
}

// The value as a message shows it (a double to 17 digits).
std::string numberText(long double value);

// The initial value an expression gives a place, a field or an array's
// element, as a T (a fraction is cut off, as a conversion does), when
// the model is built; a value that T cannot hold (99999 for a short place)
// ends the run instead of wrapping around. Other types convert as they
// are.
template <class T, class V>
T initialValue(V value, const char* element) {
  if constexpr (std::is_integral_v<T> && std::is_arithmetic_v<V>) {
    constexpr long long lowest = std::numeric_limits<T>::lowest();
    constexpr long long highest = std::numeric_limits<T>::max();
    if (!inRange(value, lowest, highest)) [[unlikely]]
      badModelValue(numberText(value), element, lowest, highest);
  }
  return static_cast<T>(value);
}

// The length an expression gives an array type, from 0 to the largest int.
template <class V>
int arrayLength(V value, const char* arrayType) {
  if constexpr (std::is_arithmetic_v<V>) {
    constexpr long long highest = std::numeric_limits<int>::max();
    if (!inRange(value, 0, highest)) [[unlikely]]
      badModelValue(numberText(value), arrayType, 0, highest);
  }
  return static_cast<int>(value);
}

// The value cell of a place or a typed place.
inline short& cell(Place* place) { return *place->Mark; }
template <class T>
T& cell(ExtendedPlace<T>* place) {
  return place->Mark();
}

// The elements of an array as the code of one activity reaches them, taken
// once the model is composed (fill; cells do not move after the shares of
// composition), so that each access is one bounds check and one load (the
// activities' code runs for every firing and, for enabling predicates, for
// every copy of a model whenever a variable it reads changes). An entry is
// the address of an element's value cell (Entry = Value*, an array of
// places) or the element's view (an array of records: Entry::of(element)).
// An index outside the array ends the run as the array's own access does.
//
// recent(i) serves the code that runs far more often than firings (enabling
// predicates, delays, weights): it indexes arrays mostly by a place of its
// own model copy (a train's number), which seldom changes, so the entry of
// the index asked for last is kept and a repeated index costs one
// comparison instead of the bounds check and the table lookup. Cost: a
// miss stores the index and the entry on top.
template <class Entry>
class ElementTable {
 public:
  template <class Array>
  void fill(Array* array) {
    entries_.clear();
    for (int k = 0; k < array->getSize(); k++) entries_.push_back(entryOf(array->Index(k)));
    data_ = entries_.data();
    count_ = static_cast<unsigned>(entries_.size());
    source_ = array;
    lastIndex_ = kNoIndex;
  }
  const Entry& at(int i) const {
    if (static_cast<unsigned>(i) >= count_) [[unlikely]]
      outside(i);
    return data_[i];
  }
  const Entry& recent(int i) {
    if (i == lastIndex_) [[likely]]
      return kept();
    keep(at(i));
    lastIndex_ = i;
    return kept();
  }
  // The number of elements (the array's length once filled).
  int size() const {
    assert(source_ && "element tables are filled once the model is composed");
    return static_cast<int>(count_);
  }

 private:
  // A cell's address is kept itself (a repeated index then costs one load
  // less); a view, which holds references and cannot be reassigned, by its
  // address in the table.
  static constexpr bool kKeepsEntry = std::is_pointer_v<Entry>;
  using Kept = std::conditional_t<kKeepsEntry, Entry, const Entry*>;

  template <class Element>
  static Entry entryOf(Element* element) {
    if constexpr (kKeepsEntry)
      return &element->Mark();
    else
      return Entry::of(element);
  }
  void keep(const Entry& entry) {
    if constexpr (kKeepsEntry)
      last_ = entry;
    else
      last_ = &entry;
  }
  const Entry& kept() const {
    if constexpr (kKeepsEntry)
      return last_;
    else
      return *last_;
  }
  [[noreturn, gnu::noinline, gnu::cold]] void outside(int i) const {
    assert(source_ && "element tables are filled once the model is composed");
    ArrayIndexOutOfBounds(source_->getName(), source_->getSize(), i);
  }

  // Below every int index: no index repeats before the first lookup.
  static constexpr long long kNoIndex = std::numeric_limits<long long>::min();
  const Entry* data_ = nullptr;
  unsigned count_ = 0;
  const BaseArrayStateVariable* source_ = nullptr;  // the array filled from
  std::vector<Entry> entries_;
  long long lastIndex_ = kNoIndex;  // the index recent() was asked for last
  Kept last_ = nullptr;             // and its entry
};

// The table of an array of places (their value cells) and of an array of
// records (their views).
template <class Value>
using CellTable = ElementTable<Value*>;
template <class View>
using ViewTable = ElementTable<View>;

// An array of places as model code sees it: a[i] is element i's value
// (index checked), a.size() the number of elements (through the table when
// there is one, so that a loop up to it needs no bounds check). Value is
// const for read-only access; Recent: elements through the table's recent().
template <class Array, class Value, bool Recent = false>
class ScalarArrayView {
 public:
  using Cell = std::remove_const_t<Value>;
  explicit ScalarArrayView(Array* array, CellTable<Cell>* table = nullptr)
      : array_(array), table_(table) {}
  Value& operator[](int i) const {
    if (!table_) return array_->Index(i)->Mark();
    if constexpr (Recent) return *table_->recent(i);
    return *table_->at(i);
  }
  int size() const { return table_ ? table_->size() : array_->getSize(); }

 private:
  Array* array_;
  CellTable<Cell>* table_;
};

// An array of records as model code sees it: a[i].field. View is the
// record's view (changes) or const view (reads); Stored is its view;
// Recent and size() as for ScalarArrayView.
template <class Array, class View, class Stored, bool Recent = false>
class RecordArrayView {
 public:
  explicit RecordArrayView(Array* array, ViewTable<Stored>* table = nullptr)
      : array_(array), table_(table) {}
  View operator[](int i) const {
    if (!table_) return View::of(array_->Index(i));
    if constexpr (Recent) return View::of(table_->recent(i));
    return View::of(table_->at(i));
  }
  int size() const { return table_ ? table_->size() : array_->getSize(); }

 private:
  Array* array_;
  ViewTable<Stored>* table_;
};

// The group of an activity's N cases (a PostselectGroup). The cases share
// the activity's enabling predicate and timing, so the first case's
// evaluation is recorded in the others as their own Enabled() would record
// it (Case::takeEnabling), and the operations the executive asks of every
// affected group after each firing reach the cases by direct calls (Case
// declares them final). Should the members ever be other than the cases,
// the group answers as a PostselectGroup. The operations are defined
// outside the class, so that a model instantiates them once, in its own
// source (extern template in its header), where the cases' enabling they
// inline is defined.
template <class Case, int N>
class CaseGroup : public PostselectGroup {
 public:
  explicit CaseGroup(std::array<Case*, N> cases) : cases_(cases) {}

  bool Enabled() override;
  bool EnablingChange() override;
  double SampleDistribution() override;
  bool ReactivationPredicate() override;
  bool ReactivationFunction() override;

 private:
  bool holdsCases() const {
    if (NumMembers != N) return false;
    for (int k = 0; k < N; k++)
      if (Members[k] != cases_[k]) return false;
    return true;
  }
  // Kept out of line, so that the usual path stays short.
  [[gnu::noinline]] bool enabledAsGroup() { return PostselectGroup::Enabled(); }

  std::array<Case*, N> cases_;
};

template <class Case, int N>
bool CaseGroup<Case, N>::Enabled() {
  if (!holdsCases()) [[unlikely]]
    return enabledAsGroup();
  const bool enabled = cases_[0]->Enabled();
  for (int k = 1; k < N; k++) cases_[k]->takeEnabling(enabled);
  return enabled;
}

template <class Case, int N>
bool CaseGroup<Case, N>::EnablingChange() {
  if (!holdsCases()) return PostselectGroup::EnablingChange();
  bool changed = cases_[0]->EnablingChange();
  const bool enabled = cases_[0]->lastEnabling();
  for (int k = 1; k < N; k++) changed = cases_[k]->takeEnabling(enabled) || changed;
  return changed;
}

template <class Case, int N>
double CaseGroup<Case, N>::SampleDistribution() {
  return holdsCases() ? cases_[0]->SampleDistribution() : PostselectGroup::SampleDistribution();
}

template <class Case, int N>
bool CaseGroup<Case, N>::ReactivationPredicate() {
  return holdsCases() ? cases_[0]->ReactivationPredicate()
                      : PostselectGroup::ReactivationPredicate();
}

template <class Case, int N>
bool CaseGroup<Case, N>::ReactivationFunction() {
  return holdsCases() ? cases_[0]->ReactivationFunction() : PostselectGroup::ReactivationFunction();
}

}  // namespace san

#endif
