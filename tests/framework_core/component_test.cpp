#include "framework/core/component/component.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Log = std::vector<std::string>;

bool Has(const TComponent* c, TComponentStateItem item) { return c->ComponentState().Contains(item); }

// Records what happens to it into a shared log, under its tag name.
class TProbe : public TComponent {
 public:
  TProbe(TComponent* owner, Log* log, std::string tag) : TComponent(owner), FLog(log), FTag(std::move(tag)) {}
  ~TProbe() override { FLog->push_back("free " + FTag); }

  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    FLog->push_back(FTag + (operation == opInsert ? " +" : " -") + component->Name());
  }

  Log* FLog;
  std::string FTag;
};

// Refers to another component and forgets it when told it is gone.
class TLinker : public TComponent {
 public:
  using TComponent::TComponent;
  void SetTarget(TComponent* target) {
    FTarget = target;
    if (target) target->FreeNotification(this);
  }
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FTarget) FTarget = nullptr;
  }
  TComponent* FTarget = nullptr;
};

TEST(Component, OwnerFreesItsComponentsLastFirst) {
  Log log;
  {
    auto form = std::make_unique<TComponent>(nullptr);
    new TProbe(form.get(), &log, "a");
    auto* b = new TProbe(form.get(), &log, "b");
    new TProbe(b, &log, "b1");
    new TProbe(form.get(), &log, "c");
    log.clear();
  }
  // Derived destructors run first; b's own component goes with b; the
  // components still alive, and theirs, hear of each removal.
  EXPECT_EQ(log, (Log{"free c", "b1 -", "b -", "a -", "free b", "free b1", "a -", "free a"}));
}

TEST(Component, ComponentsKeepInsertionOrder) {
  auto form = std::make_unique<TComponent>(nullptr);
  auto* a = new TComponent(form.get());
  auto* b = new TComponent(form.get());
  ASSERT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(form->Components(0), a);
  EXPECT_EQ(form->Components(1), b);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(b->Owner(), form.get());
  EXPECT_EQ(b->GetOwner(), form.get());
  EXPECT_EQ(form->ComponentIndex(), -1);
  try {
    form->Components(2);
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (2)");
  }
  a->Free();
  EXPECT_EQ(form->ComponentCount(), 1);
  EXPECT_EQ(b->ComponentIndex(), 0);
}

TEST(Component, OwnerHearsItsComponentsJoinAndLeave) {
  Log log;
  TProbe form(nullptr, &log, "form");
  auto* a = new TComponent(&form);
  a->SetName("A");
  EXPECT_EQ(log, (Log{"form +"}));  // told before the name was given
  a->Free();
  EXPECT_EQ(log, (Log{"form +", "form -A"}));
}

TEST(Component, OwnerPassesRemovalOnToTheOtherComponents) {
  auto form = std::make_unique<TComponent>(nullptr);
  auto* dataSet = new TComponent(form.get());
  auto* source = new TLinker(form.get());
  auto* grid = new TLinker(form.get());
  source->FTarget = dataSet;  // no free notification asked: the owner's forwarding suffices
  grid->FTarget = source;
  dataSet->Free();
  EXPECT_EQ(source->FTarget, nullptr);
  EXPECT_EQ(grid->FTarget, source);
  source->Free();
  EXPECT_EQ(grid->FTarget, nullptr);
}

TEST(Component, FreeNotificationWorksBothWays) {
  auto database = std::make_unique<TLinker>(nullptr);
  auto query = std::make_unique<TLinker>(nullptr);
  query->SetTarget(database.get());
  database->FTarget = query.get();  // the link is mutual
  EXPECT_TRUE(Has(database.get(), TComponentStateItem::csFreeNotification));

  database.reset();
  EXPECT_EQ(query->FTarget, nullptr);

  auto other = std::make_unique<TLinker>(nullptr);
  other->SetTarget(query.get());
  query->FTarget = other.get();
  query.reset();
  EXPECT_EQ(other->FTarget, nullptr);
  EXPECT_FALSE(Has(other.get(), TComponentStateItem::csFreeNotification));
}

TEST(Component, RemovedFreeNotificationIsNotSent) {
  Log log;
  auto watcher = std::make_unique<TProbe>(nullptr, &log, "watcher");
  auto target = std::make_unique<TComponent>(nullptr);
  target->FreeNotification(watcher.get());
  target->RemoveFreeNotification(watcher.get());
  target.reset();
  EXPECT_TRUE(log.empty());
}

// A peer that does not call the inherited Notification must still not keep
// a pointer to a destroyed component (its own destruction would use it).
TEST(Component, FreeNotificationLinkIsDroppedWhenPeerSkipsInheritedNotification) {
  struct TDeaf : TComponent {
    using TComponent::TComponent;
    void Notification(TComponent*, TOperation) override { ++FHeard; }
    int FHeard = 0;
  };
  auto peer = std::make_unique<TDeaf>(nullptr);
  auto target = std::make_unique<TComponent>(nullptr);
  target->FreeNotification(peer.get());
  target.reset();
  EXPECT_EQ(peer->FHeard, 1);
  EXPECT_FALSE(Has(peer.get(), TComponentStateItem::csFreeNotification));
  peer.reset();  // would notify the freed target if the link were kept
}

TEST(Component, DestroyingMarksOwnedComponentsBeforePeersHear) {
  struct TWatcher : TComponent {
    using TComponent::TComponent;
    void Notification(TComponent* c, TOperation op) override {
      TComponent::Notification(c, op);
      if (op == opRemove && c == FWatched)
        FChildWasDestroying = Has(FWatched->Components(0), TComponentStateItem::csDestroying);
    }
    TComponent* FWatched = nullptr;
    bool FChildWasDestroying = false;
  };
  TWatcher watcher(nullptr);
  auto form = std::make_unique<TComponent>(nullptr);
  new TComponent(form.get());
  watcher.FWatched = form.get();
  form->FreeNotification(&watcher);
  form.reset();
  EXPECT_TRUE(watcher.FChildWasDestroying);
}

TEST(Component, HandlerMayFreeSiblingsWhileRemovalIsPassedOn) {
  struct TKiller : TComponent {
    using TComponent::TComponent;
    void Notification(TComponent* c, TOperation op) override {
      TComponent::Notification(c, op);
      if (op == opRemove && FVictim && c != FVictim) std::exchange(FVictim, nullptr)->Free();
    }
    TComponent* FVictim = nullptr;
  };
  auto form = std::make_unique<TComponent>(nullptr);
  auto* first = new TComponent(form.get());
  auto* second = new TComponent(form.get());
  auto* killer = new TKiller(form.get());
  new TComponent(form.get());
  killer->FVictim = second;
  first->Free();
  EXPECT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(form->Components(0), killer);
}

TEST(Component, FreeRefusesAnUnownedComponent) {
  auto alone = std::make_unique<TComponent>(nullptr);
  EXPECT_THROW(alone->Free(), EInvalidOperation);
}

// The recipe for an owner whose components call back into its own members
// while they die: destroy them from the derived destructor.
TEST(Component, OwnerMembersOutliveComponentsWhenDerivedDestroysThem) {
  struct TRegistry : TComponent {
    using TComponent::TComponent;
    ~TRegistry() override {
      Destroying();
      DestroyComponents();
    }
    std::vector<TComponent*> FMembers;
  };
  struct TMember : TComponent {
    explicit TMember(TRegistry* owner) : TComponent(owner), FRegistry(owner) {
      owner->FMembers.push_back(this);
    }
    ~TMember() override {
      EXPECT_TRUE(Has(FRegistry, TComponentStateItem::csDestroying));
      std::erase(FRegistry->FMembers, this);
    }
    TRegistry* FRegistry;
  };
  auto registry = std::make_unique<TRegistry>(nullptr);
  new TMember(registry.get());
  new TMember(registry.get());
  registry.reset();
}

// ------------------------------------------------------------------- names

struct NameCase {
  const char* name;
  bool valid;
};

class ComponentName : public testing::TestWithParam<NameCase> {};

TEST_P(ComponentName, IsCheckedAsIdentifier) {
  TComponent c(nullptr);
  c.SetName("Before");
  const NameCase& param = GetParam();
  if (param.valid) {
    c.SetName(param.name);
    EXPECT_EQ(c.Name(), param.name);
    return;
  }
  try {
    c.SetName(param.name);
    FAIL() << "accepted " << param.name;
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), std::string("'") + param.name + "' is not a valid component name");
  }
  EXPECT_EQ(c.Name(), "Before");
}

INSTANTIATE_TEST_SUITE_P(Names, ComponentName,
                         testing::Values(NameCase{"fdsHome", true}, NameCase{"_x1", true},
                                         NameCase{"Query_2", true}, NameCase{"", true},
                                         NameCase{"1abc", false}, NameCase{"a b", false},
                                         NameCase{"a.b", false}, NameCase{"a-b", false},
                                         NameCase{" a", false}, NameCase{"\xC8\xEC\xFF", false}));

TEST(Component, DuplicateNameAmongOwnedComponentsIsRefusedIgnoringCase) {
  TComponent form(nullptr);
  auto* a = new TComponent(&form);
  auto* b = new TComponent(&form);
  a->SetName("Query1");
  try {
    b->SetName("QUERY1");
    FAIL() << "no error";
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named QUERY1 already exists");
  }
  EXPECT_EQ(b->Name(), "");
  a->SetName("QUERY1");  // its own name in another case
  EXPECT_EQ(a->Name(), "QUERY1");
  b->SetName("");
  new TComponent(&form);  // empty names never clash
  EXPECT_EQ(form.FindComponent("query1"), a);
  EXPECT_EQ(form.FindComponent(""), nullptr);
  EXPECT_EQ(form.FindComponent("Other"), nullptr);
}

TEST(Component, ComponentsOfDifferentOwnersMayShareNames) {
  TComponent first(nullptr);
  TComponent second(nullptr);
  first.SetName("Same");
  second.SetName("Same");
  (new TComponent(&first))->SetName("Child");
  (new TComponent(&second))->SetName("Child");
  EXPECT_EQ(first.GetNamePath(), "Same");
}

TEST(Component, ComponentMovesBetweenOwners) {
  Log log;
  TProbe from(nullptr, &log, "from");
  TProbe to(nullptr, &log, "to");
  auto* moving = new TComponent(&from);
  moving->SetName("M");
  log.clear();
  to.InsertComponent(from.RemoveComponent(moving));
  EXPECT_EQ(moving->Owner(), &to);
  EXPECT_EQ(from.ComponentCount(), 0);
  EXPECT_EQ(log, (Log{"from -M", "to +M"}));
  EXPECT_THROW((void)from.RemoveComponent(moving), EComponentError);
}

TEST(Component, RefusedInsertLeavesComponentWithCaller) {
  TComponent form(nullptr);
  (new TComponent(&form))->SetName("Taken");
  std::unique_ptr<TComponent> newcomer = std::make_unique<TComponent>(nullptr);
  newcomer->SetName("taken");
  EXPECT_THROW(form.InsertComponent(std::move(newcomer)), EComponentError);
  ASSERT_NE(newcomer, nullptr);
  EXPECT_EQ(newcomer->Owner(), nullptr);
  EXPECT_EQ(form.ComponentCount(), 1);
}

// ----------------------------------------------------------------- loading

// Records, in its Loaded, whether each component of the form was loading.
class TLoadProbe : public TComponent {
 public:
  TLoadProbe(TComponent* owner, Log* log, std::string tag)
      : TComponent(owner), FLog(log), FTag(std::move(tag)) {}
  void Loaded() override {
    std::string seen = FTag + ":";
    for (TComponent* c : *FAll)
      seen += Has(c, TComponentStateItem::csReading)   ? 'R'
              : Has(c, TComponentStateItem::csLoading) ? 'L'
                                                       : '.';
    FLog->push_back(seen);
    if (FThrow) throw EDatabaseError("cannot open " + FTag);
    TComponent::Loaded();
  }
  Log* FLog;
  std::string FTag;
  std::vector<TComponent*>* FAll = nullptr;
  bool FThrow = false;
};

struct TForm {
  explicit TForm(const std::vector<std::string>& tags) : root(nullptr, &log, "form") {
    for (const std::string& tag : tags) {
      // Components owned by the form and by one another, as forms have them.
      TComponent* owner = all.size() == 2 ? all[1] : &root;
      auto* c = new TLoadProbe(owner, &log, tag);
      c->FAll = &all;
      all.push_back(c);
    }
    all.insert(all.begin(), &root);
    root.FAll = &all;
  }
  TLoadProbe* operator[](std::size_t i) { return static_cast<TLoadProbe*>(all[i]); }
  Log log;
  TLoadProbe root;
  std::vector<TComponent*> all;
};

TEST(LoadingScope, LoadedRunsInCreationOrderWhileLaterOnesStillLoad) {
  std::unique_ptr<TForm> form;
  {
    TLoadingScope scope;
    form = std::make_unique<TForm>(std::vector<std::string>{"db", "tr", "ds"});
    for (TComponent* c : form->all) {
      EXPECT_TRUE(Has(c, TComponentStateItem::csLoading));
      EXPECT_TRUE(Has(c, TComponentStateItem::csReading));
    }
    EXPECT_EQ(scope.Components().size(), 4u);
    scope.Finish();
  }
  EXPECT_EQ(form->log, (Log{"form:LLLL", "db:.LLL", "tr:..LL", "ds:...L"}));
  for (TComponent* c : form->all) EXPECT_TRUE(c->ComponentState().Empty());
}

TEST(LoadingScope, ExceptionFromLoadedLeavesNoComponentLoading) {
  TLoadingScope scope;
  TForm form({"db", "tr", "ds"});
  form[2]->FThrow = true;
  try {
    scope.Finish();
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "cannot open tr");
  }
  EXPECT_EQ(form.log, (Log{"form:LLLL", "db:.LLL", "tr:..LL"}));
  for (TComponent* c : form.all) EXPECT_FALSE(Has(c, TComponentStateItem::csLoading));
  EXPECT_TRUE(scope.Components().empty());
}

TEST(LoadingScope, ScopeLeftWithoutFinishClearsFlagsAndLoadsNothing) {
  std::unique_ptr<TForm> form;
  try {
    TLoadingScope scope;
    form = std::make_unique<TForm>(std::vector<std::string>{"db"});
    throw EAbort("building failed");
  } catch (const EAbort&) {
  }
  EXPECT_TRUE(form->log.empty());
  for (TComponent* c : form->all) EXPECT_TRUE(c->ComponentState().Empty());
  TComponent later(nullptr);
  EXPECT_FALSE(Has(&later, TComponentStateItem::csLoading));
}

TEST(LoadingScope, InnerScopeLoadsOnlyItsOwnComponents) {
  Log log;
  std::vector<TComponent*> all;
  auto make = [&](const char* tag) {
    auto c = std::make_unique<TLoadProbe>(nullptr, &log, tag);
    c->FAll = &all;
    all.push_back(c.get());
    return c;
  };
  TLoadingScope outer;
  auto a = make("a");
  std::unique_ptr<TLoadProbe> b;
  {
    TLoadingScope inner;
    b = make("b");
    inner.Finish();
  }
  auto c = make("c");
  EXPECT_EQ(log, (Log{"b:RL"}));
  log.clear();
  EXPECT_FALSE(Has(b.get(), TComponentStateItem::csLoading));
  EXPECT_TRUE(Has(a.get(), TComponentStateItem::csLoading));
  EXPECT_TRUE(Has(c.get(), TComponentStateItem::csReading));
  outer.Finish();
  EXPECT_EQ(log, (Log{"a:L.L", "c:..L"}));
}

TEST(LoadingScope, ComponentFreedBeforeFinishIsSkipped) {
  TLoadingScope scope;
  TForm form({"db", "tr", "ds"});
  form.all.erase(form.all.begin() + 1);
  TComponent* db = form.root.Components(0);
  db->Free();
  scope.Finish();
  EXPECT_EQ(form.log, (Log{"form:LLL", "tr:.LL", "ds:..L"}));
}

TEST(LoadingScope, LoadedMayFreeALaterComponentAndCreateNewOnes) {
  struct TBuilder : TComponent {
    using TComponent::TComponent;
    void Loaded() override {
      TComponent::Loaded();
      FVictim->Free();
      FMade = new TComponent(Owner());
    }
    TComponent* FVictim = nullptr;
    TComponent* FMade = nullptr;
  };
  TComponent form(nullptr);
  TBuilder* builder = nullptr;
  {
    TLoadingScope scope;
    builder = new TBuilder(&form);
    builder->FVictim = new TComponent(&form);
    scope.Finish();
  }
  ASSERT_NE(builder->FMade, nullptr);
  EXPECT_FALSE(Has(builder->FMade, TComponentStateItem::csLoading));
  EXPECT_EQ(form.ComponentCount(), 2);
}

}  // namespace
