#ifndef CORVAX_IMPULSE_NODE_CLASS_H
#define CORVAX_IMPULSE_NODE_CLASS_H

#include <string>

class BaseModelClass;

// An impulse reward: a value earned each time a named action fires. The
// impulse a generated variable registers (AddImpulse) is the pattern; its
// CreateImpulseWorkerList(n) makes the n workers, one per combination of
// model instances, each serving one instance of the action's model.
//
// A generated impulse class:
//   - in its constructor: AllocateReferenceSlots(k) and SetReferenceSlot(i,
//     &field_i) for its k model-reference fields (BaseModelClass*), which
//     receive the instances of its model dependencies;
//   - Impulse_Function(T): the value earned by a firing at T (it may read
//     the reference fields);
//   - CreateImpulseWorkerList(n): return new ImpulseNodeClass*[n], each
//     entry a new object of its own class; the variable owns both the array
//     and the workers.
class ImpulseNodeClass {
 public:
  ImpulseNodeClass() = default;
  ImpulseNodeClass(const ImpulseNodeClass&) = delete;
  ImpulseNodeClass& operator=(const ImpulseNodeClass&) = delete;
  virtual ~ImpulseNodeClass();
  virtual void completeAccumulation(double t) = 0;
  virtual double Impulse_Function(double T) = 0;
  virtual void Accumulate(double t, double T) = 0;
  virtual void CurrentImpulse() = 0;
  virtual void Reset();
  virtual ImpulseNodeClass** CreateImpulseWorkerList(int n) = 0;

  void DefineName(const char* name, int impulseIndex, int workerIndex);
  void AllocateReferenceSlots(int n);
  void SetReferenceSlot(int k, BaseModelClass** field) { ReferenceSlots[k] = field; }
  // Stores model in the reference field of slot k.
  void BindReference(int k, BaseModelClass* model) { *ReferenceSlots[k] = model; }
  int getNumReferenceSlots() const { return NumReferenceSlots; }
  const char* getName() const { return Name.c_str(); }

  static double min(double a, double b) { return a < b ? a : b; }
  static double max(double a, double b) { return a > b ? a : b; }

  BaseModelClass*** ReferenceSlots = nullptr;  // owned array
  BaseModelClass* ServedModel = nullptr;
  std::string Name;
  int WorkerIndex = -1;
  int ImpulseIndex = -1;
  int NumReferenceSlots = 0;
  int VariableNumber = -1;
  double Value = 0.0;
  double SecondValue = 0.0;
};

#endif
