#include "framework/core/component/lists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "framework/core/base/exceptions.h"
#include "tests/support/raised.h"

namespace {

void* P(std::intptr_t n) { return reinterpret_cast<void*>(n); }
std::intptr_t N(void* p) { return reinterpret_cast<std::intptr_t>(p); }

std::vector<std::intptr_t> Values(const TList& list) {
  std::vector<std::intptr_t> result;
  for (void* item : list) result.push_back(N(item));
  return result;
}

TList& Filled(TList& list, std::initializer_list<std::intptr_t> items) {
  for (auto item : items) list.Add(P(item));
  return list;
}

struct IndexErrorCase {
  const char* Name;
  std::function<void(TList&)> Call;
  const char* Message;
};

class ListIndexErrors : public ::testing::TestWithParam<IndexErrorCase> {};

TEST_P(ListIndexErrors, RaiseWithTheIndexAndLeaveTheListAlone) {
  TList list;
  Filled(list, {1, 2, 3});
  EXPECT_EQ(MessageOf<EListError>([&] { GetParam().Call(list); }), GetParam().Message);
  EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{1, 2, 3}));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ListIndexErrors,
    ::testing::Values(
        IndexErrorCase{"ItemsNegative", [](TList& l) { l.Items(-1); }, "List index out of bounds (-1)"},
        IndexErrorCase{"ItemsPastEnd", [](TList& l) { l.Items(3); }, "List index out of bounds (3)"},
        IndexErrorCase{"SetItems", [](TList& l) { l.SetItems(7, nullptr); }, "List index out of bounds (7)"},
        IndexErrorCase{"InsertPastEnd", [](TList& l) { l.Insert(4, P(9)); }, "List index out of bounds (4)"},
        IndexErrorCase{"Delete", [](TList& l) { l.Delete(3); }, "List index out of bounds (3)"},
        IndexErrorCase{"Exchange", [](TList& l) { l.Exchange(0, 5); }, "List index out of bounds (5)"},
        IndexErrorCase{"MoveTarget", [](TList& l) { l.Move(0, 3); }, "List index out of bounds (3)"},
        IndexErrorCase{"MoveSource", [](TList& l) { l.Move(-2, 1); }, "List index out of bounds (-2)"},
        IndexErrorCase{"Capacity", [](TList& l) { l.SetCapacity(2); }, "List capacity out of bounds (2)"},
        IndexErrorCase{"Count", [](TList& l) { l.SetCount(-1); }, "List count out of bounds (-1)"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(List, FirstAndLastOfAnEmptyListRaise) {
  TList list;
  EXPECT_EQ(MessageOf<EListError>([&] { list.First(); }), "List index out of bounds (0)");
  EXPECT_EQ(MessageOf<EListError>([&] { list.Last(); }), "List index out of bounds (-1)");
  list.Add(P(4));
  list.Add(P(5));
  EXPECT_EQ(N(list.First()), 4);
  EXPECT_EQ(N(list.Last()), 5);
}

TEST(List, EditingKeepsTheOrder) {
  TList list;
  Filled(list, {1, 2, 3, 4, 5});
  list.Insert(0, P(0));
  list.Insert(6, P(6));
  list.Delete(3);
  EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{0, 1, 2, 4, 5, 6}));
  list.Move(1, 4);
  EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{0, 2, 4, 5, 1, 6}));
  list.Move(4, 0);
  EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{1, 0, 2, 4, 5, 6}));
  list.Exchange(0, 5);
  EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{6, 0, 2, 4, 5, 1}));
}

TEST(List, RemoveExtractAndPack) {
  TList list;
  Filled(list, {1, 0, 2, 1, 0, 3});
  EXPECT_EQ(list.Remove(P(1)), 0);
  EXPECT_EQ(list.Remove(P(42)), -1);
  EXPECT_EQ(N(list.Extract(P(3))), 3);
  EXPECT_EQ(list.Extract(P(42)), nullptr);
  EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{0, 2, 1, 0}));
  list.Pack();
  EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{2, 1}));
}

TEST(List, CapacityGrowsGeometricallyAndCanBeSet) {
  TList list;
  int growths = 0;
  int capacity = list.Capacity();
  for (int i = 0; i < 100000; ++i) {
    list.Add(P(i));
    if (list.Capacity() != capacity) {
      ++growths;
      capacity = list.Capacity();
    }
  }
  EXPECT_LT(growths, 40);
  list.SetCount(10);
  list.SetCapacity(10);
  EXPECT_EQ(list.Capacity(), 10);
  EXPECT_EQ(N(list.Items(9)), 9);
  list.SetCapacity(500);
  EXPECT_GE(list.Capacity(), 500);
  list.SetCount(12);
  EXPECT_EQ(list.Items(11), nullptr);
}

TEST(List, SortOrdersByTheCompareFunctionAndKeepsEqualItemsInOrder) {
  // Items are (key * 1000 + serial); the compare looks at the key only.
  TList list;
  std::mt19937 random(7);
  std::vector<std::intptr_t> items;
  for (int i = 0; i < 2000; ++i) items.push_back(static_cast<std::intptr_t>(random() % 50) * 1000 + i);
  for (auto item : items) list.Add(P(item));
  list.Sort([](void* a, void* b) { return static_cast<int>(N(a) / 1000 - N(b) / 1000); });
  std::stable_sort(items.begin(), items.end(), [](auto a, auto b) { return a / 1000 < b / 1000; });
  EXPECT_EQ(Values(list), items);
}

TEST(List, SortWithAnInconsistentCompareStillPermutesTheItems) {
  TList list;
  for (int i = 0; i < 5000; ++i) list.Add(P(i));
  std::mt19937 random(11);
  list.Sort([&](void*, void*) { return static_cast<int>(random() % 3) - 1; });
  auto values = Values(list);
  std::sort(values.begin(), values.end());
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(values[static_cast<std::size_t>(i)], i);
}

struct Node {
  int Key;
};

TEST(ListOf, TypedItemsSortAndIterate) {
  Node a{3}, b{1}, c{2};
  TListOf<Node> list;
  list.Add(&a);
  list.Add(&b);
  list.Add(&c);
  list.Sort([](Node* x, Node* y) { return x->Key - y->Key; });
  std::vector<int> keys;
  for (Node* node : list) keys.push_back(node->Key);
  EXPECT_EQ(keys, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(list[2], &a);
  EXPECT_EQ(list.IndexOf(&c), 1);
  EXPECT_EQ(list.List().Count(), 3);
  EXPECT_EQ(MessageOf<EListError>([&] { list.Items(3); }), "List index out of bounds (3)");
}

TEST(ThreadList, ThreadsAddingConcurrentlyLoseNothing) {
  TThreadList list;
  list.SetDuplicates(dupAccept);
  constexpr int kThreads = 8, kPerThread = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) list.Add(P(t * kPerThread + i + 1));
    });
  for (auto& thread : threads) thread.join();
  TThreadListLock lock(list);
  EXPECT_EQ(lock->Count(), kThreads * kPerThread);
  auto values = Values(lock.List());
  std::sort(values.begin(), values.end());
  EXPECT_EQ(std::adjacent_find(values.begin(), values.end()), values.end());
}

TEST(ThreadList, DuplicatesAreIgnoredByDefaultAcrossThreads) {
  TThreadList list;
  EXPECT_EQ(list.Duplicates(), dupIgnore);
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t)
    threads.emplace_back([&] {
      for (int i = 1; i <= 300; ++i) list.Add(P(i));
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(list.LockList()->Count(), 300);
  list.UnlockList();
}

TEST(ThreadList, DuplicateErrorRaisesAndRemoveAndClearWork) {
  TThreadList list;
  list.SetDuplicates(dupError);
  list.Add(P(0x1f));
  EXPECT_EQ(MessageOf<EListError>([&] { list.Add(P(0x1f)); }), "List does not allow duplicates ($01f)");
  list.Add(P(2));
  list.Remove(P(0x1f));
  {
    TThreadListLock lock(list);
    EXPECT_EQ(Values(lock.List()), (std::vector<std::intptr_t>{2}));
  }
  list.Clear();
  TThreadListLock lock(list);
  EXPECT_EQ(lock->Count(), 0);
}

TEST(ThreadList, TheLockIsReentrantAndExcludesOtherThreads) {
  TThreadList list;
  std::atomic<bool> added{false};
  std::thread other;
  {
    TThreadListLock outer(list);
    TThreadListLock inner(list);  // the same thread enters again
    other = std::thread([&] {
      list.Add(P(1));
      added = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(added.load());
    EXPECT_EQ(inner->Count(), 0);
  }
  other.join();
  EXPECT_TRUE(added.load());
  TThreadListLock lock(list);
  EXPECT_EQ(lock->Count(), 1);
}

}  // namespace
