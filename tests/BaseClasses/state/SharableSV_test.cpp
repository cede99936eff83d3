#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include "BaseClasses/state/ExtendedPlace.h"
#include "BaseClasses/state/Place.h"
#include "StateTestSupport.h"

TEST(SharableSV, FreshPlacesAndTypedPlaces) {
  Place p("p", 3);
  ASSERT_EQ(std::tuple(p.getSharingCount(), p.getChain().length()), std::tuple(2, 2));
  EXPECT_EQ(p.getChain().getHead()->getOwner(), nullptr);  // Mark alias
  EXPECT_EQ(p.getChain().getHead()->getNext()->getOwner(), &p);
  EXPECT_EQ(p.Mark, p.getValuePointer());
  p.setMark(7);
  char buffer[2];
  p.CurrentState(buffer);
  p.setMark(0);
  p.SetState(buffer);
  std::ostringstream out;
  p.printState(&out);
  p.printStateVal(&out);
  EXPECT_EQ(out.str(), "p = 7\n7");
  EXPECT_STREQ(Place().getName(), "default");

  ExtendedPlace<int> e("e", "rec", 5);
  e.Mark() += 4;
  EXPECT_EQ(std::tuple(e.getSharingCount(), e.StateSize(), e.getValue()), std::tuple(2, 4, 9));
  ExtendedPlace<short> s("s", 1);  // another class of the same value type
  p.share(&s);
  EXPECT_EQ(s.Mark(), 1);
}

TEST(SharableSV, SharingTwoFreshPlacesMergesCellsListsAndActionLinks) {
  Place p("p", 1), q("q", 5);
  BaseActionClass byP, byQ, byBoth, changesQ;
  enableArc(&p, &byP);
  enableArc(&q, &byQ);
  enableArc(&p, &byBoth);
  enableArc(&q, &byBoth);
  affectArc(&q, &changesQ);

  p.share(&q);
  EXPECT_EQ(p.getMark(), 5);  // the survivor takes the other's value
  EXPECT_TRUE(p.getStored() && p.getShared() && q.getShared() && !q.getStored());
  EXPECT_EQ(q.getValuePointer(), p.getValuePointer());
  q.setMark(8);
  EXPECT_EQ(std::tuple(p.getMark(), p.getSharingCount(), q.getChain().length()),
            std::tuple(8, 4, 0));

  EXPECT_EQ(q.getEnabledActions(), p.getEnabledActions());
  EXPECT_EQ(std::tuple(p.getNumEnabledActions(), byBoth.getEnablingVariables()->getNumItems()),
            std::tuple(3, 1));
  EXPECT_TRUE(byQ.getEnablingVariables()->getItem(0) == &p &&
              changesQ.getAffectedVariables()->getItem(0) == &p);
  // An affect arc on a member reaches the group's one list.
  BaseActionClass late;
  q.appendAffectingAction(&late);
  EXPECT_EQ(p.getNumAffectingActions(), 2);
}

// Walks every row of the survivor table; after each share every member of the
// group, and every linked action pointer, uses the representative's cell.
TEST(SharableSV, EveryRowOfTheSurvivorTable) {
  std::vector<std::unique_ptr<Place>> v;
  for (int i = 0; i < 12; i++) v.push_back(std::make_unique<Place>("v", i));
  Place &a = *v[0], &b = *v[1], &c = *v[2], &d = *v[3], &e = *v[4], &f = *v[5];
  Place &g = *v[6], &h = *v[7], &k = *v[8], &l = *v[9], &y = *v[10], &z = *v[11];
  auto sameCell = [](std::initializer_list<Place*> group) {
    for (Place* m : group) {
      EXPECT_EQ(m->getValuePointer(), (*group.begin())->getValuePointer());
      EXPECT_EQ(m->Mark, (*group.begin())->getValuePointer());
    }
  };
  LinkedAction act;
  b.linkPointer(&act.shortSlot);

  a.share(&b);  // stored, stored: a survives with b's value
  EXPECT_EQ(a.getMark(), 1);
  b.share(&e);  // not stored, stored: b's representative survives
  f.share(&b);  // stored, not stored: other's representative survives
  EXPECT_TRUE(a.getStored() && !e.getStored() && !f.getStored());
  EXPECT_EQ(a.getSharingCount(), 9);
  sameCell({&a, &b, &e, &f});

  c.share(&d);
  b.share(&d);  // neither stored, b's own count 3 <= c's 4: c survives
  EXPECT_TRUE(c.getStored() && !a.getStored());
  EXPECT_EQ(c.getSharingCount(), 13);
  sameCell({&a, &b, &c, &d, &e, &f});
  EXPECT_EQ(act.shortSlot, c.getValuePointer());
  // Members merged earlier into the loser now name the survivor.
  EXPECT_EQ(b.getRepresentative(), &c);
  y.share(&e);
  EXPECT_FALSE(y.getStored());
  EXPECT_EQ(c.getChain().length(), c.getSharingCount());

  short* extra[3];
  for (short*& slot : extra) h.linkPointer(&slot);
  g.share(&h);
  k.share(&l);
  h.share(&l);  // neither stored, h's own count 5 > k's 4: h's representative survives
  EXPECT_TRUE(g.getStored() && !k.getStored());
  sameCell({&g, &h, &k, &l});
  EXPECT_EQ(extra[2], g.getValuePointer());

  z.share(&c);
  z.share(&g);
  EXPECT_TRUE(z.getStored());
  sameCell({&a, &b, &c, &d, &e, &f, &g, &h, &k, &l, &y, &z});
  EXPECT_TRUE(act.shortSlot == z.getValuePointer() && extra[0] == z.getValuePointer());
  EXPECT_EQ(z.getChain().length(), z.getSharingCount());
  *act.shortSlot = 42;
  EXPECT_EQ(l.getMark(), 42);

  // Shares within one group, and with itself, change nothing.
  const int count = z.getSharingCount();
  a.share(&l);
  z.share(&z);
  l.share(&z);
  EXPECT_TRUE(z.getSharingCount() == count && z.getStored());
  // Destroy in an order that frees the representative first.
  v[11].reset();
  v.clear();
}

TEST(SharableSV, LinkedPointersFollowLaterShares) {
  ExtendedPlace<int> x("x", 4), y("y", 6);
  LinkedAction act, late;
  x.linkPointer(&act.intSlot);
  EXPECT_TRUE(act.intSlot == x.getValuePointer() && x.getSharingCount() == 3);
  y.share(&x);
  EXPECT_EQ(act.intSlot, y.getValuePointer());
  x.linkPointer(&late.intSlot);  // linked through a member after the share
  ExtendedPlace<int> w("w", 0);
  w.share(&y);
  EXPECT_TRUE(act.intSlot == w.getValuePointer() && late.intSlot == w.getValuePointer());
  *late.intSlot = 11;
  EXPECT_EQ(std::tuple(x.Mark(), w.getSharingCount()), std::tuple(11, 8));
}

// Random shares among places linked to random actions, some of which read
// or change most places (long lists). After each share: every action lists
// the group's representative where it listed the other place (replaced in
// place, or removed when the representative was listed too: the list's
// replaceItem), every member reports the union of the groups' actions, and
// every member and linked pointer uses one cell.
TEST(SharableSV, RandomSharesRedirectEveryActionAndMergeEveryList) {
  std::mt19937 random(11);
  constexpr int kPlaces = 80, kActions = 40;
  std::vector<std::unique_ptr<Place>> places;
  for (int i = 0; i < kPlaces; i++) places.push_back(std::make_unique<Place>("p", i));
  std::vector<std::unique_ptr<LinkedAction>> actions;
  for (int a = 0; a < kActions; a++) {
    actions.push_back(std::make_unique<LinkedAction>());
    const int arcs = a < 4 ? 60 : 1 + random() % 4;
    for (int k = 0; k < arcs; k++) {
      Place* p = places[random() % kPlaces].get();
      random() % 2 ? affectArc(p, actions[a].get()) : enableArc(p, actions[a].get());
    }
  }
  places[5]->linkPointer(&actions[0]->shortSlot);

  using Names = std::vector<BaseStateVariableClass*>;
  auto namesOf = [](List<BaseStateVariableClass>* list) {
    return Names(list->getList(), list->getList() + list->getNumItems());
  };
  auto replaced = [](Names names, BaseStateVariableClass* from, BaseStateVariableClass* to) {
    auto slot = std::find(names.begin(), names.end(), from);
    if (slot == names.end()) return names;
    if (std::find(names.begin(), names.end(), to) == names.end()) {
      *slot = to;
    } else if (from != to) {
      *slot = names.back();
      names.pop_back();
    }
    return names;
  };
  auto actionsOf = [](List<BaseActionClass>* list) {
    return std::set<BaseActionClass*>(list->getList(), list->getList() + list->getNumItems());
  };
  for (int step = 0; step < 150; step++) {
    Place* self = places[random() % kPlaces].get();
    Place* other = places[random() % kPlaces].get();
    std::vector<Names> affected, enabling;
    for (auto& action : actions) {
      affected.push_back(namesOf(action->getAffectedVariables()));
      enabling.push_back(namesOf(action->getEnablingVariables()));
    }
    const bool sameGroup = self->getRepresentative() == other->getRepresentative();
    std::set<BaseActionClass*> affecting = actionsOf(self->getAffectingActions());
    std::set<BaseActionClass*> enabled = actionsOf(self->getEnabledActions());
    for (BaseActionClass* a : actionsOf(other->getAffectingActions())) affecting.insert(a);
    for (BaseActionClass* a : actionsOf(other->getEnabledActions())) enabled.insert(a);

    self->share(other);
    BaseStateVariableClass* keeper = self->getRepresentative();
    ASSERT_EQ(other->getRepresentative(), keeper);
    for (int a = 0; a < kActions; a++) {
      ASSERT_EQ(namesOf(actions[a]->getAffectedVariables()),
                sameGroup ? affected[a] : replaced(affected[a], other, keeper))
          << "step " << step << ", action " << a;
      ASSERT_EQ(namesOf(actions[a]->getEnablingVariables()),
                sameGroup ? enabling[a] : replaced(enabling[a], other, keeper))
          << "step " << step << ", action " << a;
    }
    ASSERT_EQ(actionsOf(other->getAffectingActions()), affecting) << "step " << step;
    ASSERT_EQ(actionsOf(other->getEnabledActions()), enabled) << "step " << step;
    ASSERT_EQ(self->getEnabledActions(), other->getEnabledActions());
  }
  for (auto& p : places) {
    SharableSV<short>* keeper = p->getRepresentative();
    ASSERT_TRUE(p->getValuePointer() == keeper->getValuePointer() &&
                p->Mark == keeper->getValuePointer());
  }
  EXPECT_EQ(actions[0]->shortSlot, places[5]->getValuePointer());
}

TEST(SharableSVDeathTest, ValueTypesMustMatch) {
  SharableSV<short> s;
  SharableSV<int> i;
  EXPECT_DEATH(s.share(&i), "otherSV");
  EXPECT_DEATH(s.share(nullptr), "otherSV");
}
