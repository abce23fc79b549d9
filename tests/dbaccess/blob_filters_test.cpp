// The table of blob filters: ordered by sub-type, one entry per sub-type,
// and applied only to non-empty content of user-defined (negative) kinds.

#include "dbaccess/blob/blob_filters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A routine that wraps the content in the given marks.
TBlobFilterRoutine Wrap(const std::string& mark) {
  return [mark](std::string& content) { content = mark + "(" + content + ")"; };
}

TEST(BlobFiltersTest, SubTypesAreKeptInOrderAndFoundWhereTheyBelong) {
  TIBBlobFilters filters;
  int index = -1;
  EXPECT_FALSE(filters.Find(-1, index));
  EXPECT_EQ(index, 0);

  for (int subType : {-3, -10, 5, -1}) filters.RegisterFilter(subType, Wrap("W"), Wrap("R"));
  EXPECT_EQ(filters.Count(), 4);

  const std::vector<std::pair<int, int>> expected = {{-10, 0}, {-3, 1}, {-1, 2}, {5, 3}};
  for (const auto& [subType, at] : expected) {
    EXPECT_TRUE(filters.Find(subType, index)) << subType;
    EXPECT_EQ(index, at) << subType;
  }
  EXPECT_FALSE(filters.Find(-5, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(filters.Find(-20, index));
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(filters.Find(9, index));
  EXPECT_EQ(index, 4);
}

TEST(BlobFiltersTest, RegisteringAgainReplacesTheRoutines) {
  TIBBlobFilters filters;
  filters.RegisterFilter(-2, Wrap("old"), Wrap("old"));
  filters.RegisterFilter(-2, Wrap("new"), nullptr);
  EXPECT_EQ(filters.Count(), 1);
  std::string content = "x";
  filters.Apply(content, true, -2);
  EXPECT_EQ(content, "new(x)");
  EXPECT_FALSE(filters.HasFilter(-2, false));
  EXPECT_FALSE(filters.Routine(-2, false));

  filters.UnregisterFilter(-2);
  filters.UnregisterFilter(-2);
  EXPECT_EQ(filters.Count(), 0);
  EXPECT_FALSE(filters.HasFilter(-2, true));
}

struct TApplyCase {
  const char* Name;
  int SubType;
  bool Writing;
  const char* Content;
  const char* Expected;
};

class BlobFilterApplyTest : public ::testing::TestWithParam<TApplyCase> {};

TEST_P(BlobFilterApplyTest, OnlyNegativeSubTypesWithContentAreConverted) {
  TIBBlobFilters filters;
  filters.RegisterFilter(-3, Wrap("W"), Wrap("R"));
  filters.RegisterFilter(-4, nullptr, Wrap("R"));
  filters.RegisterFilter(0, Wrap("W"), Wrap("R"));
  filters.RegisterFilter(1, Wrap("W"), Wrap("R"));
  const TApplyCase& c = GetParam();
  std::string content = c.Content;
  filters.Apply(content, c.Writing, c.SubType);
  EXPECT_EQ(content, c.Expected);
  EXPECT_EQ(filters.HasFilter(c.SubType, c.Writing),
            c.SubType < 0 && c.SubType != -5 && !(c.SubType == -4 && c.Writing));
}

INSTANTIATE_TEST_SUITE_P(Cases, BlobFilterApplyTest,
                         ::testing::Values(TApplyCase{"WriteUserKind", -3, true, "abc", "W(abc)"},
                                           TApplyCase{"ReadUserKind", -3, false, "abc", "R(abc)"},
                                           TApplyCase{"EmptyContent", -3, true, "", ""},
                                           TApplyCase{"DirectionWithoutRoutine", -4, true, "abc", "abc"},
                                           TApplyCase{"OtherDirection", -4, false, "abc", "R(abc)"},
                                           TApplyCase{"UnregisteredUserKind", -5, false, "abc", "abc"},
                                           TApplyCase{"BinaryKind", 0, true, "abc", "abc"},
                                           TApplyCase{"TextKind", 1, false, "abc", "abc"}),
                         [](const ::testing::TestParamInfo<TApplyCase>& info) {
                           return std::string(info.param.Name);
                         });

// A routine that changes the table while it runs does not pull the ground
// from under itself.
TEST(BlobFiltersTest, RoutineMayChangeTheTable) {
  TIBBlobFilters filters;
  filters.RegisterFilter(-1, nullptr, [&filters](std::string& content) {
    filters.UnregisterFilter(-1);
    for (int subType = -50; subType < -10; ++subType) filters.RegisterFilter(subType, nullptr, nullptr);
    content += "!";
  });
  std::string content = "x";
  filters.Apply(content, false, -1);
  EXPECT_EQ(content, "x!");
  EXPECT_EQ(filters.Count(), 40);
}

}  // namespace
