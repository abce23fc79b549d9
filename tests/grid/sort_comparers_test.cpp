#include "grid/sort_comparers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "framework/core/text/text.h"
#include "grid/tree_list_errors.h"
#include "tests/grid/test_tree_list.h"

namespace {

// --- CompareVariants ---------------------------------------------------------------

struct VariantCase {
  const char* Name;
  Variant V1;
  Variant V2;
  int Expected;
};

class VariantComparison : public ::testing::TestWithParam<VariantCase> {};

TEST_P(VariantComparison, OrdersAndAnswersTheSameFromBothSides) {
  const VariantCase& c = GetParam();
  EXPECT_EQ(CompareVariants(c.V1, c.V2), c.Expected);
  EXPECT_EQ(CompareVariants(c.V2, c.V1), -c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    SortComparers, VariantComparison,
    ::testing::Values(VariantCase{"NullBeforeNumber", Variant::Null(), 5, -1},
                      VariantCase{"NullEqualsNull", Variant::Null(), Variant::Null(), 0},
                      VariantCase{"NullBeforeEmpty", Variant::Null(), Variant(), -1},
                      VariantCase{"NullBeforeEmptyText", Variant::Null(), "", -1},
                      VariantCase{"EmptyEqualsZero", Variant(), 0, 0},
                      VariantCase{"EmptyEqualsEmptyText", Variant(), "", 0},
                      VariantCase{"IntegersByValue", 1, 2, -1}, VariantCase{"IntegerEqualsDouble", 2, 2.0, 0},
                      VariantCase{"Int64AfterSmallerCurrency", std::int64_t{3}, TCurrency{25000}, 1},
                      VariantCase{"DatesByValue", Variant::FromDate(45000.5), Variant::FromDate(45001.0), -1},
                      VariantCase{"FalseBeforeTrue", false, true, -1},
                      VariantCase{"LowerCaseBeforeUpperCase", "b", "B", -1},
                      VariantCase{"TextsByLetterBeforeCase", "a", "B", -1},
                      VariantCase{"CyrillicAlphabetical", RU("Ёлкин"), RU("Жуков"), -1},
                      VariantCase{"CyrillicYeBeforeYo", RU("Еж"), RU("Ёж"), -1},
                      VariantCase{"CyrillicAfterLatin", "Zeta", RU("Аксёнов"), -1},
                      VariantCase{"NumericTextAsNumber", "7", 5, 1},
                      VariantCase{"NumericTextEqualsNumber", "5", 5, 0},
                      VariantCase{"TextThatIsNoNumberAfterNumbers", "abc", 5, 1},
                      VariantCase{"TextThatIsNoBooleanAfterBooleans", "abc", true, 1},
                      VariantCase{"ArrayAfterNumbers", VarArrayOf({1, 2}), 5, 1},
                      VariantCase{"ArraysAreEquivalent", VarArrayOf({1}), VarArrayOf({2}), 0}),
    [](const auto& info) { return std::string(info.param.Name); });

// --- Key chains ------------------------------------------------------------------------

struct ChainCase {
  const char* Name;
  std::vector<TdxSortKey> Keys1;
  std::vector<TdxSortKey> Keys2;
  int ByVariant;  // 2: decided by CompareEqualNodes
  int ByAnsiString;
};

class KeyChains : public ::testing::TestWithParam<ChainCase> {};

TEST_P(KeyChains, FirstDifferingKeyDecidesInItsDirection) {
  TTestTreeList tree;
  const TdxNodeSortKeys r1{tree.AddNode(), GetParam().Keys1};
  const TdxNodeSortKeys r2{tree.AddNode(), GetParam().Keys2};
  const int byNodes = tree.CompareEqualNodes(r1.Node, r2.Node);
  ASSERT_NE(byNodes, 0);
  auto expected = [&](int e) { return e == 2 ? byNodes : e; };
  EXPECT_EQ(CompareByVariant(tree, r1, r2), expected(GetParam().ByVariant));
  EXPECT_EQ(CompareByAnsiString(tree, r1, r2), expected(GetParam().ByAnsiString));
  EXPECT_EQ(CompareByVariant(tree, r2, r1), -expected(GetParam().ByVariant));
  EXPECT_EQ(CompareByAnsiString(tree, r2, r1), -expected(GetParam().ByAnsiString));
}

TdxSortKey Up(Variant v) { return {std::move(v), false}; }
TdxSortKey Down(Variant v) { return {std::move(v), true}; }

INSTANTIATE_TEST_SUITE_P(
    SortComparers, KeyChains,
    ::testing::Values(ChainCase{"FirstKeyAscending", {Up(1)}, {Up(2)}, -1, -1},
                      ChainCase{"FirstKeyDescending", {Down(1)}, {Down(2)}, 1, 1},
                      ChainCase{"SecondKeyDecidesNotNegated", {Down(5), Up("a")}, {Down(5), Up("b")}, -1, -1},
                      ChainCase{"SecondKeyDescending", {Up(5), Down("a")}, {Up(5), Down("b")}, 1, 1},
                      ChainCase{"AllKeysEqual", {Up(5), Up("x")}, {Up(5.0), Up("x")}, 2, 2},
                      ChainCase{"NoKeys", {}, {}, 2, 2},
                      ChainCase{"NullFirst", {Up(Variant::Null())}, {Up(0)}, -1, -1},
                      ChainCase{"NullLastWhenDescending", {Down(Variant::Null())}, {Down(0)}, 1, 1},
                      ChainCase{"CaseLowerFirst", {Up("b")}, {Up("B")}, -1, -1},
                      ChainCase{"NumericTextByNumberOrByText", {Up("10")}, {Up(9)}, 1, -1},
                      ChainCase{"TextAgainstNumberDescending", {Down("10")}, {Down(9)}, -1, 1},
                      ChainCase{"CyrillicTexts", {Up(RU("Щукин"))}, {Up(RU("Яковлев"))}, -1, -1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SortComparers, EventComparerIgnoresKeysAndFallsBackToNodeOrder) {
  TTestTreeList tree;
  const TdxNodeSortKeys r1{tree.AddNode(), {Up(1)}};
  const TdxNodeSortKeys r2{tree.AddNode(), {Up(2)}};
  TdxTLCompareEvent reversed = [](TObject*, TdxTreeListNode* a, TdxTreeListNode* b, int& compare) {
    compare = a < b ? 1 : -1;
  };
  EXPECT_EQ(CompareByEvent(reversed, &tree, tree, r1, r2), r1.Node < r2.Node ? 1 : -1);
  TdxTLCompareEvent undecided = [](TObject*, TdxTreeListNode*, TdxTreeListNode*, int&) {};
  EXPECT_EQ(CompareByEvent(undecided, &tree, tree, r1, r2), tree.CompareEqualNodes(r1.Node, r2.Node));
}

TEST(SortComparers, OptionsChooseTheComparer) {
  TTestTreeList tree;
  TdxTLCompareEvent handler = [](TObject*, TdxTreeListNode*, TdxTreeListNode*, int&) {};
  EXPECT_EQ(TdxNodeSortComparer(tree, true, handler).Kind(), TdxNodeSortComparer::ckEvent);
  EXPECT_EQ(TdxNodeSortComparer(tree, true).Kind(), TdxNodeSortComparer::ckAnsiString);
  EXPECT_EQ(TdxNodeSortComparer(tree, false).Kind(), TdxNodeSortComparer::ckVariant);
}

// --- Sorting sibling lists ----------------------------------------------------------------

class SortingNodes : public ::testing::Test {
 protected:
  // Top-level people with a surname (column 1) and a flat number (column 2),
  // one of them with children.
  void SetUp() override {
    Person("p1", RU("Щукин"), 12);
    Person("p2", RU("Аксёнов"), 3);
    Person("p3", Variant::Null(), 7);
    Person("p4", RU("Ёлкин"), 3);
    Person("p5", RU("Елисеев"), 12);
    for (auto [name, value] : {std::pair{"c1", 3}, std::pair{"c2", 1}, std::pair{"c3", 2}})
      tree.Add(name, tree.Find("p1"))->Values[2] = value;
  }
  void Person(const char* name, Variant surname, int flat) {
    TTestNode* node = tree.Add(name);
    node->Values[1] = std::move(surname);
    node->Values[2] = flat;
  }
  std::string TopLevel() {
    std::string result;
    for (int i = 0; i < tree.Count(); ++i) result += (i ? " " : "") + TTestTreeList::Name(tree.Items(i));
    return result;
  }
  void Sort(std::vector<TdxSortColumn> keys, TdxTreeListNode* parent = nullptr, bool ansi = false) {
    SortNodeList(tree, parent, keys, TdxNodeSortComparer(tree, ansi));
    tree.CheckInvariants();
  }

  TTestTreeList tree;
};

TEST_F(SortingNodes, ByCyrillicSurnamesWithNullFirst) {
  Sort({{1, false}});
  EXPECT_EQ(TopLevel(), "p3 p2 p5 p4 p1");
  Sort({{1, true}});
  EXPECT_EQ(TopLevel(), "p1 p4 p5 p2 p3");
  EXPECT_EQ(tree.Find("p1")->Count(), 3);  // children travel with their parent
}

TEST_F(SortingNodes, BySeveralKeysEachInItsDirection) {
  Sort({{2, true}, {1, false}});
  EXPECT_EQ(TopLevel(), "p5 p1 p3 p2 p4");
}

TEST_F(SortingNodes, OneChildListAlone) {
  Sort({{2, false}}, tree.Find("p1"));
  EXPECT_EQ(tree.Shape(), "p1(c2 c3 c1) p2 p3 p4 p5");
}

TEST_F(SortingNodes, EqualKeysGiveTheSameOrderFromAnyStart) {
  Sort({{2, false}});
  const std::string first = TopLevel();
  std::vector<TdxTreeListNode*> reversed;
  for (int i = tree.Count() - 1; i >= 0; --i) reversed.push_back(tree.Items(i));
  tree.ReorderSiblings(nullptr, reversed);
  Sort({{2, false}});
  EXPECT_EQ(TopLevel(), first);
}

TEST_F(SortingNodes, UndecidedEventSortsByNodeOrderAlone) {
  std::vector<TdxTreeListNode*> expected;
  for (int i = 0; i < tree.Count(); ++i) expected.push_back(tree.Items(i));
  std::sort(expected.begin(), expected.end(),
            [&](auto* a, auto* b) { return tree.CompareEqualNodes(a, b) < 0; });
  TdxTLCompareEvent undecided = [](TObject*, TdxTreeListNode*, TdxTreeListNode*, int&) {};
  SortNodeList(tree, nullptr, std::vector<TdxSortColumn>{{1, false}},
               TdxNodeSortComparer(tree, false, undecided));
  for (int i = 0; i < tree.Count(); ++i) EXPECT_EQ(tree.Items(i), expected[static_cast<std::size_t>(i)]);
}

TEST_F(SortingNodes, AnInconsistentHandlerStillLeavesEveryNodeInPlace) {
  for (int i = 0; i < 200; ++i) tree.Add("x" + std::to_string(i));
  std::mt19937 random(7);
  TdxTLCompareEvent coinFlip = [&](TObject*, TdxTreeListNode*, TdxTreeListNode*, int& compare) {
    compare = random() % 2 ? 1 : -1;
  };
  SortNodeList(tree, nullptr, std::vector<TdxSortColumn>{}, TdxNodeSortComparer(tree, false, coinFlip));
  EXPECT_EQ(tree.Count(), 205);
  tree.CheckInvariants();
}

TEST_F(SortingNodes, MixedKindsSortWithoutAnError) {
  tree.Find("p2")->Values[1] = 42;
  tree.Find("p4")->Values[1] = VarArrayOf({1});
  Sort({{1, false}});
  EXPECT_EQ(TopLevel(), "p3 p2 p5 p1 p4");
  Sort({{1, false}}, nullptr, true);
  EXPECT_EQ(TopLevel(), "p3 p2 p5 p1 p4");
}

TEST_F(SortingNodes, ARecordListThatMissesANodeIsRefused) {
  std::vector<TdxNodeSortKeys> records{{tree.Items(1), {}}, {tree.Items(0), {}}};
  EXPECT_THROW(SortNodeList(tree, nullptr, records, TdxNodeSortComparer(tree, false)),
               EInvaliddxTreeListOperation);
  EXPECT_EQ(TopLevel(), "p1 p2 p3 p4 p5");
}

// --- Shared routines ---------------------------------------------------------------------

struct PositionCase {
  const char* Node1;
  const char* Node2;
  int Sign;
};

class NodePositions : public ::testing::TestWithParam<PositionCase> {};

TEST_P(NodePositions, FollowTreeOrder) {
  TTestTreeList tree;
  tree.Build("A(B(C) D) E(F)");
  const int result = CompareNodePositions(tree.Find(GetParam().Node1), tree.Find(GetParam().Node2));
  EXPECT_EQ((result > 0) - (result < 0), GetParam().Sign);
}

INSTANTIATE_TEST_SUITE_P(
    SortComparers, NodePositions,
    ::testing::Values(PositionCase{"B", "A", 1}, PositionCase{"A", "B", -1}, PositionCase{"C", "A", 1},
                      PositionCase{"C", "D", -1}, PositionCase{"D", "C", 1}, PositionCase{"C", "F", -1},
                      PositionCase{"E", "A", 1}, PositionCase{"A", "A", 0}, PositionCase{"F", "D", 1}),
    [](const auto& info) { return std::string(info.param.Node1) + "_" + info.param.Node2; });

TEST(SortComparers, SelectedNodesSortIntoTreeOrder) {
  TTestTreeList tree;
  tree.Build("A(B(C) D) E(F G) H");
  std::vector<TdxTreeListNode*> nodes;
  for (TdxTreeListNode* n = tree.FirstNode(); n != nullptr; n = n->GetNext()) nodes.push_back(n);
  std::vector<TdxTreeListNode*> shuffled = nodes;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(3));
  std::sort(shuffled.begin(), shuffled.end(),
            [](auto* a, auto* b) { return CompareNodePositions(a, b) < 0; });
  EXPECT_EQ(shuffled, nodes);
}

struct TextCase {
  const char* A;
  const char* B;
  bool Equal;
};

class TextIgnoringCase : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextIgnoringCase, FoldsByTheCodePage) {
  EXPECT_EQ(TextEqualsIgnoringCase(RU(GetParam().A), RU(GetParam().B)), GetParam().Equal);
}

INSTANTIATE_TEST_SUITE_P(SortComparers, TextIgnoringCase,
                         ::testing::Values(TextCase{"abc", "ABC", true}, TextCase{"ёлка", "ЁЛКА", true},
                                           TextCase{"Щукин", "щУКИН", true}, TextCase{"елка", "ЁЛКА", false},
                                           TextCase{"abc", "abd", false}, TextCase{"a", "a ", false},
                                           TextCase{"", "", true}));

TEST(SortComparers, TreeListErrorsCarryTheirMessage) {
  try {
    RaiseInvalidTreeListOperation("Invalid Owner TdxTreeListNode");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_NE(dynamic_cast<const EInvaliddxTreeListOperation*>(&e), nullptr);
    EXPECT_EQ(e.Message(), "Invalid Owner TdxTreeListNode");
  }
}

}  // namespace
