#ifndef CORVAX_SAN_MODEL_H
#define CORVAX_SAN_MODEL_H

#include <cstdio>

#include "BaseClasses/BaseModelClass.h"

class Activity;
class Place;

// An atomic stochastic activity network model. A generated subclass, in its
// constructor: (1) SANModel(); (2) creates its places and other state
// variables and its activities (Activity() + ActivityInitialize); (3) its
// groups (initialize(n, "<activity>Group") + one appendGroup per case);
// (4) initializeSANModelNow (the arrays are copied; the objects stay the
// subclass's); (5) AddAffectArc / AddEnableArc for every arc; (6)
// LinkVariables() on every activity; (7) initial values.
class SANModel : public BaseModelClass {
 public:
  // Snapshot of a node's state as a flat byte buffer. The composers' local
  // states derive from it and change only what they copy.
  class LocalState : public State {
   public:
    explicit LocalState(int size);
    ~LocalState() override;

    // Sum of (byte as signed 8-bit) x the (i mod 256)-th prime, modulo 2^32.
    unsigned int hash() const override;
    // Bytewise as unsigned: -1, 0 or 1.
    int compare(const State& other) const override;
    void print() const override;
    // Record: a 4-byte little-endian length, then the buffer.
    bool fwriteState(FILE* file) const override;
    // Refuses (true, buffer untouched) a record of another length.
    bool freadState(FILE* file) override;
    State& operator=(const State& other) override;
    LocalState& operator=(const LocalState& other) {
      operator=(static_cast<const State&>(other));
      return *this;
    }
    void SetState(BaseModelClass* model) const override;
    void GetState(BaseModelClass* model) override;
    void* GetStatePtr() const override { return buffer; }

    int getSize() const { return size; }

   protected:
    unsigned char* buffer;
    int size;
  };

  SANModel();
  SANModel(const char* name, int numPlaces, BaseStateVariableClass** places, int numReadOnly,
           BaseStateVariableClass** readOnly, int numActions, Activity** actions, int numGroups,
           BaseGroupClass** groups);
  ~SANModel() override;

  void initializeSANModelNow(const char* name, int numPlaces, BaseStateVariableClass** places,
                             int numReadOnly, BaseStateVariableClass** readOnly, int numActions,
                             Activity** actions, int numGroups, BaseGroupClass** groups);
  void SetPlaces(BaseStateVariableClass** places);
  void SetReadOnlyPlaces(BaseStateVariableClass** readOnly);
  void SetActions(Activity** actions);
  void SetGroups(BaseGroupClass** groups);

  void listModels(const char* name, List<BaseModelClass>* out) override;
  void CurrentState(void* buffer) override;
  void listActions(List<BaseActionClass>* out) override;
  void listGroups(List<BaseGroupClass>* out) override;
  void SetState(void* buffer) override;
  int StateSize() override;
  bool CompareState(void* first, void* second) override;
  void listActions(const char* name, List<BaseActionClass>* out) override;
  void listSVs(const char* model, const char* variable, List<BaseStateVariableClass>* out,
               List<BaseModelClass>* owners) override;
  void printState(std::ostream* stream) override;
  using BaseModelClass::printState;
  BaseStateVariableClass** GetLocalStateVariables(std::ostream* stream) override;
  int GetModelType() override { return SANModelType; }
  int GetNumberOfChildren() override { return 0; }
  BaseModelClass* GetChild(int i) override;
  void GetLocalActions(ActionSList& out) override;
  void GetGlobalActions(ActionSList& out) override;
  bool HasLocalState() override;
  void GetLocalState(State* state) override;
  void SetLocalState(const State* state) override;
  void ConstructLocalState(State*& state) override;
  void DestructLocalState(State* state) override;

  void PrintSANModelInfo();

  int getNumPlaces() const { return NumStateVariables - NumReadOnlyPlaces; }
  int getNumReadOnlyPlaces() const { return NumReadOnlyPlaces; }
  BaseStateVariableClass* getPlace(int i) const { return Places[i]; }
  BaseStateVariableClass* getReadOnlyPlace(int i) const { return ReadOnlyPlaces[i]; }

 protected:
  BaseStateVariableClass** Places = nullptr;
  BaseStateVariableClass** ReadOnlyPlaces = nullptr;
  int NumReadOnlyPlaces = 0;
};

// True when the model's array holds exactly the given pointers, in order.
bool checkLocalSVs(SANModel* model, Place** places);
bool checkReadOnlyPlaces(SANModel* model, BaseStateVariableClass** readOnly);
bool checkLocalActions(SANModel* model, Activity** actions);

#endif
