#include "dbaccess/connection/event_lists.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Listener : TComponent {
  using TComponent::TComponent;
  int Calls = 0;
  // Peers that told this one they were going.
  std::vector<const void*> Removed;
  void Handle(TObject*) { ++Calls; }
  void Other(TObject*) { ++Calls; }
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove) Removed.push_back(component);
  }
};

struct PlainListener : TObject {
  int Calls = 0;
  void Handle(TObject*) { ++Calls; }
};

void CallAll(const TCallBackList& list, TObject* sender) {
  for (int i = 0; i < list.Count(); ++i) list.Get(i)(sender);
}

TEST(CallBackList, SameHandlerIsListedOnce) {
  auto list = std::make_unique<TNotifyEventList>(nullptr);
  auto a = std::make_unique<Listener>(nullptr);
  EXPECT_EQ(list->Add(a.get(), &Listener::Handle), 0);
  EXPECT_EQ(list->Add(a.get(), &Listener::Other), 1);
  EXPECT_EQ(list->Add(a.get(), &Listener::Handle), 0);
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(list->IndexOf(TNotifyEvent(a.get(), &Listener::Other)), 1);
  CallAll(*list, nullptr);
  EXPECT_EQ(a->Calls, 2);
  list->Remove(TNotifyEvent(a.get(), &Listener::Handle));
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(list->IndexOf(TNotifyEvent(a.get(), &Listener::Handle)), -1);
  EXPECT_FALSE(list->Get(1).Assigned());
  EXPECT_FALSE(list->Get(-1).Assigned());
}

TEST(CallBackList, DestroyedComponentLeavesTheList) {
  TComponent form(nullptr);
  auto list = std::make_unique<TNotifyEventList>(nullptr);
  auto a = std::make_unique<Listener>(nullptr);
  auto* owned = new Listener(&form);
  auto b = std::make_unique<Listener>(nullptr);
  list->Add(a.get(), &Listener::Handle);
  list->Add(owned, &Listener::Handle);
  list->Add(b.get(), &Listener::Handle);
  a.reset();
  EXPECT_EQ(list->Count(), 2);
  form.DestroyComponents();
  EXPECT_EQ(list->Count(), 1);
  CallAll(*list, nullptr);
  EXPECT_EQ(b->Calls, 1);
}

TEST(CallBackList, ListMayDieBeforeItsListeners) {
  auto a = std::make_unique<Listener>(nullptr);
  const void* gone = nullptr;
  {
    TNotifyEventList list(nullptr);
    gone = &list;
    list.Add(a.get(), &Listener::Handle);
  }
  // The listener heard the list go, so it no longer points at it.
  EXPECT_EQ(a->Removed, std::vector<const void*>{gone});
  TNotifyEventList later(nullptr);
  later.Add(a.get(), &Listener::Handle);
  a.reset();  // reaches only the list that lives
  EXPECT_EQ(later.Count(), 0);
}

TEST(CallBackList, RemovedHandlerNoLongerTiesTheComponent) {
  auto list = std::make_unique<TNotifyEventList>(nullptr);
  auto a = std::make_unique<Listener>(nullptr);
  list->Add(a.get(), &Listener::Handle);
  list->Add(a.get(), &Listener::Other);
  list->Remove(TNotifyEvent(a.get(), &Listener::Handle));
  EXPECT_EQ(list->Count(), 1);
  list->Remove(TNotifyEvent(a.get(), &Listener::Other));
  EXPECT_EQ(list->Count(), 0);
  // Untied once its last handler went: the list's end is no news to it.
  list.reset();
  EXPECT_TRUE(a->Removed.empty());
}

TEST(CallBackList, AComponentStaysTiedWhileOneOfItsHandlersIsListed) {
  auto list = std::make_unique<TNotifyEventList>(nullptr);
  auto a = std::make_unique<Listener>(nullptr);
  list->Add(a.get(), &Listener::Handle);
  list->Add(a.get(), &Listener::Other);
  list->Remove(TNotifyEvent(a.get(), &Listener::Handle));
  const void* gone = list.get();
  list.reset();
  EXPECT_EQ(a->Removed, std::vector<const void*>{gone});
}

TEST(CallBackList, ComponentOfAPlainEventIsFoundFromTheEvent) {
  TNotifyEventList list(nullptr);
  auto a = std::make_unique<Listener>(nullptr);
  auto b = std::make_unique<Listener>(nullptr);
  list.Add(TNotifyEvent(a.get(), &Listener::Handle));
  list.Add(TNotifyEvent(b.get(), &Listener::Handle));
  a.reset();
  ASSERT_EQ(list.Count(), 1);
  CallAll(list, nullptr);
  EXPECT_EQ(b->Calls, 1);
}

TEST(CallBackList, HandlersOfPlainObjectsStayUntilRemoved) {
  TNotifyEventList list(nullptr);
  PlainListener p;
  list.Add(&p, &PlainListener::Handle);
  list.Add(&p, &PlainListener::Handle);
  EXPECT_EQ(list.Count(), 1);
  CallAll(list, &list);
  EXPECT_EQ(p.Calls, 1);
  list.Remove(TNotifyEvent(&p, &PlainListener::Handle));
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
