#ifndef CORVAX_BASE_GROUP_CLASS_H
#define CORVAX_BASE_GROUP_CLASS_H

#include "BaseClasses/BaseActionClass.h"

// An action made of other actions (case activities or nested groups). When
// the group fires, exactly one member fires: the highest-ranked enabled
// members compete with their weights, and one uniform draw from the
// process-wide generator decides.
class BaseGroupClass : public BaseActionClass {
 public:
  // One slot of the weight table: the cumulative weight up to and including
  // the member.
  struct WeightEntry {
    double CumulativeWeight;
    BaseGroupClass* Member;
  };

  BaseGroupClass() = default;
  ~BaseGroupClass() override;

  bool Enabled() override;
  double Weight() override;
  double Rate() override;
  bool ReactivationPredicate() override;
  bool ReactivationFunction() override;
  double SampleDistribution() override;
  BaseActionClass* Fire() override;
  int Rank() override;
  bool EnablingChange() override;
  bool IsAMember(BaseActionClass* action) override;
  double Probability(BaseActionClass* action) override;
  void printEnablingState(std::ostream* stream) override;
  BaseActionClass* getPrintedAction() override;
  // Chooses the member to fire; false (selection unchanged) when no member
  // is enabled.
  virtual bool SelectAction();
  virtual void setGroupId(int groupId);

  void BaseGroupClassInitialize(const char* name, int groupId, Distribution dist,
                                ExecutionPolicyType policy, int unused1, int unused2,
                                bool reactivation);
  // Member array and weight table of n slots; the member count is kept.
  void initialize(int n, const char* name);
  void appendGroup(BaseGroupClass* member);
  void setMember(BaseGroupClass* member, int i);
  void enlargeArrays(int n);
  void replaceMember(BaseActionClass* oldMember, BaseGroupClass* newMember);

  // Fills the weight table with the enabled members of the highest rank and
  // returns their total weight; -1.0 when no member is enabled.
  double CalculateWeightDistribution();

  void PrintInfo();
  void printGroup();
  void printGroup(const char* prefix, int indent);

  int getNumMembers() const { return NumMembers; }
  BaseGroupClass* getMember(int i) const { return Members[i]; }
  BaseActionClass* getSelectedAction() const { return SelectedAction; }
  int getHighestRank() const { return HighestRank; }
  int getEntriesInUse() const { return EntriesInUse; }
  const WeightEntry& getWeightEntry(int i) const { return WeightTable[i]; }
  int getCapacity() const { return Capacity; }

 protected:
  // Index of the entry chosen for threshold x: the first whose cumulative
  // weight exceeds x, or the last one.
  int searchWeightTable(double x) const;
  // The weight calculation; false when no member is enabled.
  bool fillWeightTable(double* total);

  // Groups of up to InlineCapacity members (the cases of an activity are
  // usually two) keep them in the object itself, read together with the
  // count; larger ones in an owned array.
  static constexpr int InlineCapacity = 2;
  BaseGroupClass** Members = InlineMembers;
  BaseGroupClass* InlineMembers[InlineCapacity] = {nullptr, nullptr};
  int NumMembers = 0;
  int Capacity = 0;
  BaseActionClass* SelectedAction = nullptr;
  WeightEntry* WeightTable = nullptr;
  int HighestRank = 0;
  int EntriesInUse = 0;

 private:
  // Member array and weight table of the given number of slots, keeping
  // the members.
  void resizeArrays(int slots);
};

#endif
