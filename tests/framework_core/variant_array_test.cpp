#include "framework/core/base/variant_array.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/raised.h"

namespace {

using TIndexList = std::vector<std::vector<int>>;

struct TVarArrayCase {
  const char* Name;
  std::vector<TVarArrayBound> Bounds;
  int ElementType;
  // The elements' indices in walk order; unused when creating fails.
  TIndexList Order;
  bool Refused = false;
};

std::vector<TVarArrayBound> Repeat(int count, TVarArrayBound bound) {
  return std::vector<TVarArrayBound>(static_cast<std::size_t>(count), bound);
}

const TVarArrayCase ArrayCases[] = {
    {"OneDimension", {{1, 3}}, varInteger, {{1}, {2}, {3}}},
    {"TwoDimensionsLastMovesFastest",
     {{1, 3}, {1, 2}},
     varVariant,
     {{1, 1}, {1, 2}, {2, 1}, {2, 2}, {3, 1}, {3, 2}}},
    {"ThreeDimensionsAnyLowBound",
     {{0, 1}, {-1, 0}, {5, 6}},
     varDouble,
     {{0, -1, 5}, {0, -1, 6}, {0, 0, 5}, {0, 0, 6}, {1, -1, 5}, {1, -1, 6}, {1, 0, 5}, {1, 0, 6}}},
    {"EmptyDimensionHasNoElements", {{1, 2}, {1, 0}}, varOleStr, {}},
    {"SixtyFourDimensions", Repeat(64, {7, 7}), varSmallint, {std::vector<int>(64, 7)}},
    {"SixtyFiveDimensionsRefused", Repeat(65, {0, 0}), varVariant, {}, true},
    {"NoDimensionRefused", {}, varVariant, {}, true},
    {"InvertedBoundsRefused", {{3, 1}}, varInteger, {}, true},
    {"ElementTypeWithoutValuesRefused", {{0, 1}}, varDispatch, {}, true},
};

class VarArrayHelpers : public ::testing::TestWithParam<TVarArrayCase> {};

TEST_P(VarArrayHelpers, CreateWalkAndIndex) {
  const TVarArrayCase& c = GetParam();
  if (c.Refused) {
    EXPECT_EQ(MessageOf<EVariantArrayCreateError>([&] { CreateVarArray(c.Bounds, c.ElementType); }),
              "Unable to create variant array.");
    return;
  }
  Variant a = CreateVarArray(c.Bounds, c.ElementType);
  EXPECT_EQ(VarTypeCode(a), c.ElementType | varArray);
  ASSERT_EQ(VarArrayDimCount(a), static_cast<int>(c.Bounds.size()));
  for (std::size_t d = 0; d < c.Bounds.size(); ++d) {
    EXPECT_EQ(VarArrayLowBound(a, static_cast<int>(d) + 1), c.Bounds[d].Low);
    EXPECT_EQ(VarArrayHighBound(a, static_cast<int>(d) + 1), c.Bounds[d].High);
  }

  // The walk object and the for-each routine visit the same order.
  TIndexList walked;
  TVarArrayWalk walk(a);
  if (walk.HasElements()) {
    do walked.emplace_back(walk.Indices().begin(), walk.Indices().end());
    while (walk.Next());
  }
  EXPECT_EQ(walked, c.Order);
  if (!c.Order.empty()) {
    EXPECT_EQ(std::vector<int>(walk.Indices().begin(), walk.Indices().end()), c.Order.front())
        << "a finished walk is back at the first element";
  }

  // Number the elements through the update walk, then read them back by index.
  int visits = 0;
  EXPECT_TRUE(ForEachVarArrayElement(a, [&](Variant& value, std::span<const int>, bool&) { value = ++visits; }));
  EXPECT_EQ(visits, static_cast<int>(c.Order.size()));
  for (std::size_t k = 0; k < c.Order.size(); ++k)
    EXPECT_EQ(GetVarArrayElement(a, c.Order[k]).AsInteger(), static_cast<int>(k) + 1);
  TIndexList read;
  ForEachVarArrayElement(static_cast<const Variant&>(a), [&](const Variant& value, std::span<const int> at, bool&) {
    EXPECT_EQ(value.AsInteger(), static_cast<int>(read.size()) + 1);
    read.emplace_back(at.begin(), at.end());
  });
  EXPECT_EQ(read, c.Order);

  // Index errors: one index too many, and one past the last dimension's end.
  std::vector<int> indices;
  for (const TVarArrayBound& b : c.Bounds) indices.push_back(b.Low);
  std::vector<int> tooMany = indices;
  tooMany.push_back(0);
  const std::string outOfBounds = "Variant array index out of bounds.";
  EXPECT_EQ(MessageOf([&] { GetVarArrayElement(a, tooMany); }), outOfBounds);
  EXPECT_EQ(MessageOf([&] { PutVarArrayElement(a, 1, tooMany); }), outOfBounds);
  indices.back() = c.Bounds.back().High + 1;
  EXPECT_EQ(MessageOf([&] { GetVarArrayElement(a, indices); }), outOfBounds);
  EXPECT_EQ(MessageOf([&] { PutVarArrayElement(a, 1, indices); }), outOfBounds);
}

INSTANTIATE_TEST_SUITE_P(Cases, VarArrayHelpers, ::testing::ValuesIn(ArrayCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(VarArrayRoutines, NotAnArrayIsRefusedByEveryHelper) {
  Variant plain(5);
  const int at[] = {0};
  const std::string message = "Variant is not an array.";
  EXPECT_EQ(MessageOf([&] { GetVarArrayElement(plain, at); }), message);
  EXPECT_EQ(MessageOf([&] { PutVarArrayElement(plain, 1, at); }), message);
  EXPECT_EQ(MessageOf([&] { TVarArrayWalk walk(plain); }), message);
  EXPECT_EQ(MessageOf([&] { ForEachVarArrayElement(plain, [](Variant&, std::span<const int>, bool&) {}); }),
            message);
}

TEST(VarArrayRoutines, ElementsTakeTheArraysType) {
  Variant ints = CreateVarArray(std::vector<TVarArrayBound>{{0, 1}}, varInteger);
  EXPECT_EQ(VarTypeCode(GetVarArrayElement(ints, std::vector<int>{1})), varInteger) << "a new element is 0";
  PutVarArrayElement(ints, "12", std::vector<int>{0});
  PutVarArrayElement(ints, 2.5, std::vector<int>{1});
  EXPECT_EQ(VarTypeCode(GetVarArrayElement(ints, std::vector<int>{0})), varInteger);
  EXPECT_EQ(GetVarArrayElement(ints, std::vector<int>{0}).AsInteger(), 12);
  EXPECT_EQ(GetVarArrayElement(ints, std::vector<int>{1}).AsInteger(), 2) << "halves round to even";
  EXPECT_THROW(PutVarArrayElement(ints, Variant::Null(), std::vector<int>{0}), EVariantTypeCastError);

  Variant singles = CreateVarArray(std::vector<TVarArrayBound>{{0, 0}}, varSingle);
  PutVarArrayElement(singles, 0.1, std::vector<int>{0});
  EXPECT_EQ(GetVarArrayElement(singles, std::vector<int>{0}).AsDouble(), static_cast<double>(0.1F));

  Variant any = CreateVarArray(std::vector<TVarArrayBound>{{0, 1}}, varVariant);
  EXPECT_TRUE(GetVarArrayElement(any, std::vector<int>{0}).IsEmpty());
  PutVarArrayElement(any, OleText("text"), std::vector<int>{0});
  EXPECT_EQ(VarTypeCode(GetVarArrayElement(any, std::vector<int>{0})), varOleStr);
  EXPECT_EQ(VarTypeCode(OleText("x")), varOleStr);
}

TEST(VarArrayRoutines, ForEachStopsWhereTheRoutineSays) {
  Variant a = VarArrayOf({1, 2, 3, 4});
  std::vector<int> seen;
  const bool ran = ForEachVarArrayElement(a, [&](Variant& value, std::span<const int> at, bool& proceed) {
    seen.push_back(at[0]);
    value = value.AsInteger() * 10;
    proceed = at[0] < 1;
  });
  EXPECT_FALSE(ran);
  EXPECT_EQ(seen, (std::vector<int>{0, 1}));
  EXPECT_EQ(a[0].AsInteger(), 10);
  EXPECT_EQ(a[1].AsInteger(), 20) << "the element that stopped the walk is written back too";
  EXPECT_EQ(a[2].AsInteger(), 3);
}

TEST(VarArrayRoutines, EqualUpTo) {
  const Variant a = VarArrayOf({1, "two", Variant::Null(), 4});
  const Variant b = VarArrayOf({1, "two", Variant::Null(), 5});
  struct {
    Variant Left, Right;
    int N;
    bool Equal;
  } const cases[] = {
      {a, b, 2, true},
      {a, b, 3, false},
      {a, b, -1, true},
      {a, VarArrayOf({1}), 1, false},        // past the end of one: unequal, no exception
      {a, VarArrayOf({1, 2}), 1, false},     // "two" against 2 does not compare
      {Variant(1), Variant(1), 0, false},    // not arrays
      {VarArrayCreate({{0, 1}, {0, 1}}), VarArrayCreate({{0, 1}, {0, 1}}), 0, false},  // two dimensions
  };
  for (const auto& c : cases) EXPECT_EQ(VarArraysEqualUpTo(c.Left, c.Right, c.N), c.Equal) << "n = " << c.N;
}

}  // namespace
