#include "dbaccess/util/value_lists.h"

#include <gtest/gtest.h>

#include "framework/core/base/exceptions.h"

namespace {

std::vector<std::int32_t> Values(const TSortedList& list) {
  std::vector<std::int32_t> r;
  for (int i = 0; i < list.Count(); ++i) r.push_back(list.Items(i));
  return r;
}

TEST(FieldDescrList, CountIsNumberOfRecordsNotCapacity) {
  TFIBFieldDescrList list;
  list.SetCapacity(16);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_GE(list.Capacity(), 16);
  EXPECT_EQ(list.Add(1, 2, 3, 4, 5, -6), 0);
  EXPECT_EQ(list.Add(7, 8, 9, 10, 11, 12), 1);
  EXPECT_EQ(list.Count(), 2);
  const TFIBFieldDescr& d = list.Get(0);
  EXPECT_EQ(d.Word1, 1);
  EXPECT_EQ(d.Word2, 2);
  EXPECT_EQ(d.Byte1, 3);
  EXPECT_EQ(d.Byte2, 4);
  EXPECT_EQ(d.Byte3, 5);
  EXPECT_EQ(d.Long1, -6);
  EXPECT_EQ(list.Get(1).Long1, 12);
  EXPECT_THROW(list.Get(2), EListError);
  EXPECT_THROW(list.Get(-1), EListError);
  EXPECT_THROW(list.SetCapacity(1), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(SortedList, KeepsValuesAscendingWithoutDuplicates) {
  TSortedList list;
  EXPECT_EQ(list.Last(), -1);
  EXPECT_EQ(list.Add(5), 0);
  EXPECT_EQ(list.Add(3), 0);
  EXPECT_EQ(list.Add(9), 2);
  EXPECT_EQ(list.Add(3), 0);
  EXPECT_EQ(list.Add(-7), 0);
  EXPECT_EQ(Values(list), (std::vector<std::int32_t>{-7, 3, 5, 9}));
  EXPECT_EQ(list.Last(), 9);
  int index = -1;
  EXPECT_TRUE(list.Find(5, index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find(4, index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find(100, index));
  EXPECT_EQ(index, 4);
  list.Remove(3);
  list.Remove(4);
  EXPECT_EQ(Values(list), (std::vector<std::int32_t>{-7, 5, 9}));
  EXPECT_THROW(list.Items(3), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Last(), -1);
}

TEST(SortedList, ShiftMovesValuesFromThePositionOfAValue) {
  TSortedList list;
  for (int v : {2, 4, 6, 8}) list.Add(v);
  list.Shift(5, 10);  // 5 is absent: from its insertion position
  EXPECT_EQ(Values(list), (std::vector<std::int32_t>{2, 4, 16, 18}));
  list.Shift(4, -1);  // present: from itself
  EXPECT_EQ(Values(list), (std::vector<std::int32_t>{2, 3, 15, 17}));
  list.Shift(100, 1);
  EXPECT_EQ(Values(list), (std::vector<std::int32_t>{2, 3, 15, 17}));
}

}  // namespace
