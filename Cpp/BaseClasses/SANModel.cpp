#include "BaseClasses/SANModel.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "BaseClasses/Activity.h"
#include "BaseClasses/state/BaseStateVariableClass.h"
#include "BaseClasses/state/Place.h"
#include "Common/ErrorHandler.h"

namespace {
// The first 256 prime numbers (2 .. 1619), the weights of the state hash.
constexpr std::array<unsigned int, 256> makePrimes() {
  std::array<unsigned int, 256> primes{};
  unsigned int candidate = 2;
  for (int found = 0; found < 256; candidate++) {
    bool prime = true;
    for (int k = 0; k < found && primes[k] * primes[k] <= candidate; k++)
      if (candidate % primes[k] == 0) prime = false;
    if (prime) primes[found++] = candidate;
  }
  return primes;
}
constexpr std::array<unsigned int, 256> primes = makePrimes();
static_assert(primes[255] == 1619);

template <class T>
T** copyPointers(T* const* source, int n) {
  T** copy = new (std::nothrow) T*[n > 0 ? n : 0]();
  if (!copy) MemoryAllocationError();
  for (int i = 0; i < n && source; i++) copy[i] = source[i];
  return copy;
}
}  // namespace

// ---- LocalState ----------------------------------------------------------

SANModel::LocalState::LocalState(int bytes)
    : buffer(new (std::nothrow) unsigned char[bytes > 0 ? bytes : 0]()),
      size(bytes > 0 ? bytes : 0) {
  if (!buffer) MemoryAllocationError();
}

SANModel::LocalState::~LocalState() { delete[] buffer; }

unsigned int SANModel::LocalState::hash() const {
  uint32_t sum = 0;
  for (int i = 0; i < size; i++)
    sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(buffer[i]))) *
           primes[i % 256];
  return sum;
}

int SANModel::LocalState::compare(const State& other) const {
  const auto& that = static_cast<const LocalState&>(other);
  // Never reads past either buffer; a shorter state that is a prefix of the
  // longer one orders first.
  const int common = size < that.size ? size : that.size;
  const int result = std::memcmp(buffer, that.buffer, common);
  if (result != 0) return result < 0 ? -1 : 1;
  if (size != that.size) return size < that.size ? -1 : 1;
  return 0;
}

void SANModel::LocalState::print() const {
  for (int i = 0; i < size; i++)
    std::printf("%5d", static_cast<int>(static_cast<int8_t>(buffer[i])));
  std::printf("\n");
}

bool SANModel::LocalState::fwriteState(FILE* file) const {
  const unsigned char header[4] = {static_cast<unsigned char>(size & 0xFF),
                                   static_cast<unsigned char>((size >> 8) & 0xFF),
                                   static_cast<unsigned char>((size >> 16) & 0xFF),
                                   static_cast<unsigned char>((size >> 24) & 0xFF)};
  if (std::fwrite(header, 1, 4, file) != 4) return true;
  return std::fwrite(buffer, 1, size, file) < static_cast<size_t>(size);
}

bool SANModel::LocalState::freadState(FILE* file) {
  unsigned char header[4];
  if (std::fread(header, 1, 4, file) != 4) return true;
  const int32_t recorded = static_cast<int32_t>(
      static_cast<uint32_t>(header[0]) | static_cast<uint32_t>(header[1]) << 8 |
      static_cast<uint32_t>(header[2]) << 16 | static_cast<uint32_t>(header[3]) << 24);
  // The buffer has the size of the state it was made for; any other record
  // is refused rather than written past its end.
  if (recorded != size) return true;
  return std::fread(buffer, 1, size, file) < static_cast<size_t>(size);
}

State& SANModel::LocalState::operator=(const State& other) {
  if (&other == this) return *this;
  const auto* _localS = dynamic_cast<const LocalState*>(&other);
  assert(_localS);
  assert(size == _localS->size);
  std::memcpy(buffer, _localS->buffer, size);
  return *this;
}

void SANModel::LocalState::SetState(BaseModelClass* model) const { model->SetState(buffer); }
void SANModel::LocalState::GetState(BaseModelClass* model) { model->CurrentState(buffer); }

// ---- SANModel ------------------------------------------------------------

SANModel::SANModel() = default;

SANModel::SANModel(const char* name, int numPlaces, BaseStateVariableClass** places,
                   int numReadOnly, BaseStateVariableClass** readOnly, int numActions,
                   Activity** actions, int numGroups, BaseGroupClass** groups) {
  initializeSANModelNow(name, numPlaces, places, numReadOnly, readOnly, numActions, actions,
                        numGroups, groups);
}

SANModel::~SANModel() {
  delete[] Places;
  delete[] ReadOnlyPlaces;
  delete[] Actions;
  delete[] Groups;
}

void SANModel::initializeSANModelNow(const char* name, int numPlaces,
                                     BaseStateVariableClass** places, int numReadOnly,
                                     BaseStateVariableClass** readOnly, int numActions,
                                     Activity** actions, int numGroups, BaseGroupClass** groups) {
  DefineName(name);
  numPlaces = numPlaces > 0 ? numPlaces : 0;
  NumReadOnlyPlaces = numReadOnly > 0 ? numReadOnly : 0;
  NumStateVariables = numPlaces + NumReadOnlyPlaces;
  NumSharedStateVariables = 0;
  NumActions = numActions > 0 ? numActions : 0;
  NumGroups = numGroups > 0 ? numGroups : 0;
  delete[] Places;
  delete[] ReadOnlyPlaces;
  delete[] Actions;
  delete[] Groups;
  Places = copyPointers(places, numPlaces);
  ReadOnlyPlaces = copyPointers(readOnly, NumReadOnlyPlaces);
  Actions = new (std::nothrow) BaseActionClass*[NumActions]();
  if (!Actions) MemoryAllocationError();
  Groups = copyPointers(groups, NumGroups);
  SetActions(actions);
  for (int i = 0; i < NumGroups; i++)
    if (Groups[i]) Groups[i]->ParentModel = this;
}

void SANModel::SetPlaces(BaseStateVariableClass** places) {
  for (int i = 0; i < getNumPlaces() && places; i++) Places[i] = places[i];
}

void SANModel::SetReadOnlyPlaces(BaseStateVariableClass** readOnly) {
  for (int i = 0; i < NumReadOnlyPlaces && readOnly; i++) ReadOnlyPlaces[i] = readOnly[i];
}

void SANModel::SetActions(Activity** actions) {
  for (int i = 0; i < NumActions && actions; i++) {
    Actions[i] = actions[i];
    Actions[i]->ParentModel = this;
  }
}

void SANModel::SetGroups(BaseGroupClass** groups) {
  for (int i = 0; i < NumGroups && groups; i++) {
    Groups[i] = groups[i];
    Groups[i]->ParentModel = this;
  }
}

// ---- Enumeration ----------------------------------------------------------

void SANModel::listModels(const char* name, List<BaseModelClass>* out) {
  if (name && std::strcmp(name, Name) == 0) out->append(this);
}

void SANModel::listActions(List<BaseActionClass>* out) { out->append(Actions, NumActions); }

void SANModel::listGroups(List<BaseGroupClass>* out) { out->append(Groups, NumGroups); }

void SANModel::listActions(const char* name, List<BaseActionClass>* out) {
  for (int i = 0; i < NumActions; i++)
    if (name && std::strcmp(Actions[i]->getName(), name) == 0) {
      out->append(Actions[i]);
      return;
    }
}

void SANModel::listSVs(const char* model, const char* variable, List<BaseStateVariableClass>* out,
                       List<BaseModelClass>* owners) {
  if (!model || !variable || std::strcmp(model, Name) != 0) return;
  auto scan = [&](BaseStateVariableClass** variables, int n) {
    for (int i = 0; i < n; i++)
      if (std::strcmp(variables[i]->getName(), variable) == 0) {
        out->append(variables[i]);
        owners->append(this);
      }
  };
  scan(Places, getNumPlaces());
  scan(ReadOnlyPlaces, NumReadOnlyPlaces);
}

BaseStateVariableClass** SANModel::GetLocalStateVariables(std::ostream*) { return Places; }

BaseModelClass* SANModel::GetChild(int) {
  assert(false);
  return nullptr;
}

// ---- State buffers --------------------------------------------------------

int SANModel::StateSize() {
  int bytes = 0;
  for (int i = 0; i < getNumPlaces(); i++)
    if (Places[i]->getStored()) bytes += Places[i]->StateSize();
  return bytes;
}

void SANModel::CurrentState(void* buffer) {
  auto* cursor = static_cast<char*>(buffer);
  for (int i = 0; i < getNumPlaces(); i++)
    if (!Places[i]->getShared()) {
      Places[i]->CurrentState(cursor);
      cursor += Places[i]->StateSize();
    }
}

void SANModel::SetState(void* buffer) {
  auto* cursor = static_cast<char*>(buffer);
  for (int i = 0; i < getNumPlaces(); i++)
    if (!Places[i]->getShared()) {
      Places[i]->SetState(cursor);
      cursor += Places[i]->StateSize();
    }
}

bool SANModel::CompareState(void* first, void* second) {
  return std::memcmp(first, second, StateSize()) == 0;
}

void SANModel::printState(std::ostream* stream) {
  *stream << "Model: (" << ModelId << ")" << Name << std::endl;
  for (int i = 0; i < getNumPlaces(); i++) {
    *stream << "  ";
    Places[i]->printState(stream);
  }
  for (int i = 0; i < NumReadOnlyPlaces; i++) {
    *stream << "  ";
    ReadOnlyPlaces[i]->printState(stream);
  }
}

// ---- Local states ---------------------------------------------------------

bool SANModel::HasLocalState() { return StateSize() > 0; }
void SANModel::ConstructLocalState(State*& state) { state = new LocalState(StateSize()); }
void SANModel::GetLocalState(State* state) { state->GetState(this); }
void SANModel::SetLocalState(const State* state) { state->SetState(this); }
void SANModel::DestructLocalState(State* state) { delete state; }

// ---- Global and local actions ---------------------------------------------

void SANModel::GetGlobalActions(ActionSList& out) {
  List<BaseActionClass> own(NumActions > 0 ? NumActions : 1);
  own.append(Actions, NumActions);
  List<BaseActionClass> global;
  auto collect = [&](List<BaseActionClass>* linked) {
    for (int k = 0; k < linked->getNumItems(); k++)
      if (own.contains(linked->getItem(k))) global.append(linked->getItem(k));
  };
  for (int i = 0; i < getNumPlaces(); i++)
    if (!Places[i]->getStored()) {
      collect(Places[i]->getAffectingActions());
      collect(Places[i]->getEnabledActions());
    }
  for (int k = 0; k < global.getNumItems(); k++) out.push_front(global.getItem(k));
}

void SANModel::GetLocalActions(ActionSList& out) {
  ActionSList global;
  GetGlobalActions(global);
  for (int i = 0; i < NumActions; i++)
    if (std::find(global.begin(), global.end(), Actions[i]) == global.end())
      out.push_front(Actions[i]);
}

void SANModel::PrintSANModelInfo() {
  std::printf("SANModelInfo\n");
  std::printf("Number of Actions = %i, Number of Groups = %i, Number of State Variables = %i\n",
              NumActions, NumGroups, NumStateVariables);
  for (int i = 0; i < NumActions; i++) {
    BaseActionClass* action = Actions[i];
    std::printf("ActionName = %s\n", action->getName());
    std::printf("Group Id = %i\n", action->GroupId);
    std::printf("DistributionType = %i\n", static_cast<int>(action->DistributionType));
    std::printf("ExecutionPolicy = %i\n", static_cast<int>(action->ExecutionPolicy));
    std::printf("Number of affected state variables = %i\n",
                action->getAffectedVariables()->getNumItems());
    std::printf("Number of enabling state variables = %i\n",
                action->getEnablingVariables()->getNumItems());
  }
  std::printf("\n");
  for (int i = 0; i < NumGroups; i++) std::printf("Group Name = %s \n", Groups[i]->getName());
  for (int i = 0; i < getNumPlaces(); i++) std::printf("Place Name = %s\n", Places[i]->getName());
  for (int i = 0; i < NumReadOnlyPlaces; i++)
    std::printf("Read Only Place Name = %s\n", ReadOnlyPlaces[i]->getName());
}

// ---- Consistency checks ---------------------------------------------------

bool checkLocalSVs(SANModel* model, Place** places) {
  for (int i = 0; i < model->getNumPlaces(); i++)
    if (model->getPlace(i) != static_cast<BaseStateVariableClass*>(places[i])) return false;
  return true;
}

bool checkReadOnlyPlaces(SANModel* model, BaseStateVariableClass** readOnly) {
  for (int i = 0; i < model->getNumReadOnlyPlaces(); i++)
    if (model->getReadOnlyPlace(i) != readOnly[i]) return false;
  return true;
}

bool checkLocalActions(SANModel* model, Activity** actions) {
  for (int i = 0; i < model->getNumActions(); i++)
    if (model->getAction(i) != static_cast<BaseActionClass*>(actions[i])) return false;
  return true;
}
