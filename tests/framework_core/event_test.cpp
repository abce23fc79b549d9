#include "framework/core/base/event.h"
#include "framework/core/base/object.h"
#include "framework/core/base/set.h"

#include <gtest/gtest.h>

namespace {

struct Listener : TObject {
  int Calls = 0;
  void Handle(TObject*) { ++Calls; }
  void Other(TObject*) { ++Calls; }
};

TEST(Event, BoundHandlersAreFoundAgainByObjectAndMethod) {
  Listener a, b;
  TNotifyEvent ea(&a, &Listener::Handle), ea2(&a, &Listener::Handle);
  TNotifyEvent eb(&b, &Listener::Handle), eo(&a, &Listener::Other);
  EXPECT_TRUE(ea == ea2);
  EXPECT_FALSE(ea == eb);
  EXPECT_FALSE(ea == eo);
  ea(nullptr);
  ea2(nullptr);
  EXPECT_EQ(a.Calls, 2);
}

TEST(Event, AnonymousHandlersNeverCompareEqualButEmptyOnesDo) {
  int n = 0;
  TNotifyEvent f([&](TObject*) { ++n; });
  TNotifyEvent g = f;
  EXPECT_FALSE(f == g);
  EXPECT_TRUE(TNotifyEvent() == TNotifyEvent(nullptr));
  EXPECT_FALSE(TNotifyEvent() == f);
  g(nullptr);
  EXPECT_EQ(n, 1);
  int key = 0;
  EXPECT_TRUE(TNotifyEvent(&key, [](TObject*) {}) == TNotifyEvent(&key, [](TObject*) {}));
}

enum class Color { Red, Green, Blue };

TEST(Set, OperationsAndPackedForm) {
  TSet<Color> s{Color::Red, Color::Blue};
  EXPECT_TRUE(s.Contains(Color::Red));
  EXPECT_FALSE(s.Contains(Color::Green));
  EXPECT_EQ(s.Bits(), 0b101u);
  EXPECT_EQ(TSet<Color>::FromBits(0b101), s);
  EXPECT_EQ((s - Color::Red).Bits(), 0b100u);
  EXPECT_TRUE(TSet<Color>{Color::Blue}.SubsetOf(s));
  EXPECT_FALSE(TSet<Color>{Color::Green}.SubsetOf(s));
}

}  // namespace
