#include "dbaccess/connection/event_lists.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Listener : TComponent {
  using TComponent::TComponent;
  int Calls = 0;
  void Handle(TObject*) { ++Calls; }
  void Other(TObject*) { ++Calls; }
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
  {
    TNotifyEventList list(nullptr);
    list.Add(a.get(), &Listener::Handle);
  }
  a.reset();  // must not reach the freed list
  SUCCEED();
}

TEST(CallBackList, RemovedHandlerNoLongerTiesTheComponent) {
  auto list = std::make_unique<TNotifyEventList>(nullptr);
  auto a = std::make_unique<Listener>(nullptr);
  list->Add(a.get(), &Listener::Handle);
  list->Add(a.get(), &Listener::Other);
  list->Remove(TNotifyEvent(a.get(), &Listener::Handle));
  list->Remove(TNotifyEvent(a.get(), &Listener::Other));
  list.reset();
  a.reset();
  SUCCEED();
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
