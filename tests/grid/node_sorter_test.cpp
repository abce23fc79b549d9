#include "grid/nodes/node_sorter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/text/text.h"
#include "grid/tree_list/tree_list_errors.h"
#include "tests/grid/test_tree_list.h"

namespace {

// How the tree list breaks ties once every key is equal.
enum class TTies { ByAddress, None, ByNameDescending };

class TSortTreeList : public TTestTreeList {
 public:
  TTies Ties = TTies::ByAddress;
  int CompareEqualNodes(const TdxTreeListNode* node1, const TdxTreeListNode* node2) const override {
    switch (Ties) {
      case TTies::None:
        return 0;
      case TTies::ByNameDescending:
        return Name(node2).compare(Name(node1));
      case TTies::ByAddress:
        break;
    }
    return TTestTreeList::CompareEqualNodes(node1, node2);
  }
};

// --- Random column values ---------------------------------------------------------------

using TValueMaker = Variant (*)(std::mt19937&);

Variant NullOrEmpty(std::mt19937& random) { return random() % 2 ? Variant::Null() : Variant(); }

Variant Integers(std::mt19937& random) {
  switch (random() % 12) {
    case 0:
      return NullOrEmpty(random);
    case 1:
      return std::numeric_limits<std::int64_t>::min();
    case 2:
      return std::numeric_limits<std::int64_t>::max();
    case 3:
      return Variant::FromByte(static_cast<std::uint8_t>(random() % 8));
    case 4:
      return Variant::FromLongWord(4000000000u + random() % 3);
    case 5:
      return static_cast<std::int16_t>(static_cast<int>(random() % 16) - 8);
    default:
      return static_cast<int>(random() % 16) - 8;
  }
}

Variant Floats(std::mt19937& random) {
  switch (random() % 12) {
    case 0:
      return NullOrEmpty(random);
    case 1:
      return std::numeric_limits<double>::quiet_NaN();
    case 2:
      return -0.0;
    case 3:
      return (random() % 2 ? 1 : -1) * std::numeric_limits<double>::infinity();
    case 4:
      return Variant::FromDate(45000 + random() % 4 * 0.25);
    default:
      return static_cast<double>(static_cast<int>(random() % 16) - 8) / 4;
  }
}

Variant Currencies(std::mt19937& random) {
  if (random() % 8 == 0) return NullOrEmpty(random);
  return TCurrency{static_cast<std::int64_t>(random() % 9) * 2500 - 10000};
}

Variant Booleans(std::mt19937& random) {
  if (random() % 5 == 0) return NullOrEmpty(random);
  return random() % 2 == 0;
}

// Surnames with their case, Ё and the empty text mixed in, many repeated.
Variant Surnames(std::mt19937& random) {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    for (const char* s :
         {"Ёлкин", "Елкин", "ёлкин", "ЕЛКИН", "Ежов", "Аксёнов", "аксенов", "Щукин", "Zeta", "zeta",
          "Яковлев", "Петров", "Петрова", "Петров-Водкин", "петров", "10", "9", " ", ""})
      v.push_back(RU(s));
    return v;
  }();
  if (random() % 10 == 0) return NullOrEmpty(random);
  return names[random() % names.size()];
}

// Texts that share their first letters, so that what decides lies past them.
Variant PrefixedTexts(std::mt19937& random) {
  if (random() % 10 == 0) return NullOrEmpty(random);
  std::string text = RU("Улица Строителей");
  if (random() % 8 == 0) return text;
  text += random() % 2 ? RU(", дом ") : RU(", Дом ");
  return text + std::to_string(100 + random() % 40);  // the last digit past the head
}

// Kinds that the variant order must reconcile: numbers, texts that are and
// are not numbers, Booleans, arrays.
Variant Mixed(std::mt19937& random) {
  switch (random() % 9) {
    case 0:
      return NullOrEmpty(random);
    case 1:
      return static_cast<int>(random() % 12);
    case 2:
      return std::to_string(random() % 12);
    case 3:
      return RU("Ёж");
    case 4:
      return random() % 2 == 0;
    case 5:
      return VarArrayOf({1});
    case 6:
      return static_cast<double>(random() % 12) / 2;
    case 7:
      return TCurrency{static_cast<std::int64_t>(random() % 5) * 5000};
    default:
      return "abc";
  }
}

struct TColumnCase {
  TValueMaker Values;
  bool Descending;
};

struct SortCase {
  const char* Name;
  std::vector<TColumnCase> Columns;
  bool AnsiSort;
  TTies Ties;
  friend void PrintTo(const SortCase& c, std::ostream* os) { *os << c.Name; }
};

// Names in the order of one sibling list.
std::vector<std::string> ListOrder(const TdxTreeListNodeOwner& tree, const TdxTreeListNode* parent) {
  std::vector<std::string> names;
  const int count = parent != nullptr ? parent->Count() : tree.Count();
  for (int i = 0; i < count; ++i)
    names.push_back(TTestTreeList::Name(parent != nullptr ? parent->Items(i) : tree.Items(i)));
  return names;
}

// The comparer over key records, as the comparers define the order.
void SortByRecords(TSortTreeList& tree, TdxTreeListNode* parent, const std::vector<TdxSortColumn>& keys,
                   const TdxNodeSortComparer& compare) {
  std::vector<TdxNodeSortKeys> records;
  const int count = parent != nullptr ? parent->Count() : tree.Count();
  for (int i = 0; i < count; ++i) {
    TdxNodeSortKeys& record = records.emplace_back();
    record.Node = parent != nullptr ? parent->Items(i) : tree.Items(i);
    for (const TdxSortColumn& key : keys)
      record.Keys.push_back({tree.GetSortValue(record.Node, key.ColumnIndex), key.Descending});
  }
  SortNodeList(tree, parent, std::move(records), compare);
}

class SortingByKeyTable : public ::testing::TestWithParam<SortCase> {};

TEST_P(SortingByKeyTable, GivesTheComparersOrder) {
  const SortCase& c = GetParam();
  for (unsigned seed = 1; seed <= 4; ++seed) {
    std::mt19937 random(seed);
    TSortTreeList tree;
    tree.Ties = c.Ties;
    std::vector<TdxSortColumn> keys;
    for (std::size_t k = 0; k < c.Columns.size(); ++k)
      keys.push_back({static_cast<int>(k) + 1, c.Columns[k].Descending});
    // Top-level lists short and long enough for either way of sorting, and
    // one short child list.
    const int count = 150 + static_cast<int>(seed) * 100;
    for (int i = 0; i < count; ++i) {
      TTestNode* node = tree.Add("n" + std::to_string(i), i < 9 ? tree.FirstNode() : nullptr);
      if (i == 0) continue;
      for (std::size_t k = 0; k < c.Columns.size(); ++k)
        node->Values[static_cast<int>(k) + 1] = c.Columns[k].Values(random);
    }
    const TdxNodeSortComparer compare(tree, c.AnsiSort);
    for (TdxTreeListNode* parent : {static_cast<TdxTreeListNode*>(nullptr), tree.FirstNode()}) {
      std::vector<TdxTreeListNode*> original;
      for (int i = 0; i < (parent ? parent->Count() : tree.Count()); ++i)
        original.push_back(parent ? parent->Items(i) : tree.Items(i));
      SortByRecords(tree, parent, keys, compare);
      const std::vector<std::string> expected = ListOrder(tree, parent);
      tree.ReorderSiblings(parent, original);
      SortNodeList(tree, parent, keys, compare);
      ASSERT_EQ(ListOrder(tree, parent), expected) << "seed " << seed << (parent ? ", child list" : "");
      tree.CheckInvariants();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    NodeSorter, SortingByKeyTable,
    ::testing::Values(
        SortCase{"NoKeys", {}, false, TTies::ByAddress},
        SortCase{"Integers", {{Integers, false}}, false, TTies::ByAddress},
        SortCase{"IntegersDescending", {{Integers, true}}, false, TTies::ByAddress},
        SortCase{"Floats", {{Floats, false}}, false, TTies::ByAddress},
        SortCase{"FloatsDescendingTiesKeepTheirOrder", {{Floats, true}}, false, TTies::None},
        SortCase{"Currencies", {{Currencies, false}}, false, TTies::ByNameDescending},
        SortCase{"Booleans", {{Booleans, true}}, false, TTies::ByAddress},
        SortCase{"Surnames", {{Surnames, false}}, false, TTies::ByAddress},
        SortCase{"SurnamesByAnsiText", {{Surnames, true}}, true, TTies::ByAddress},
        SortCase{"PrefixedTexts", {{PrefixedTexts, false}}, false, TTies::ByNameDescending},
        SortCase{"PrefixedTextsDescending", {{PrefixedTexts, true}}, true, TTies::None},
        SortCase{"Mixed", {{Mixed, false}}, false, TTies::ByAddress},
        SortCase{"MixedByAnsiText", {{Mixed, true}}, true, TTies::ByAddress},
        SortCase{"SurnameDownThenInteger", {{Surnames, true}, {Integers, false}}, false, TTies::ByAddress},
        SortCase{"BooleanThenTextThenFloat",
                 {{Booleans, false}, {PrefixedTexts, true}, {Floats, false}},
                 true,
                 TTies::None},
        SortCase{"MixedThenSurname", {{Mixed, true}, {Surnames, false}}, false, TTies::ByNameDescending},
        SortCase{
            "CurrencyThenMixedByAnsiText", {{Currencies, false}, {Mixed, false}}, true, TTies::ByAddress}),
    [](const auto& info) { return std::string(info.param.Name); });

// --- Levels -------------------------------------------------------------------------

class SortingLevels : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.Build("c(c3 c1 c2(z y x)) a(a2(q p) a1) b(b2 b1)");
    for (TdxTreeListNode* node = tree.FirstNode(); node != nullptr; node = node->GetNext())
      static_cast<TTestNode*>(node)->Values[1] = TTestTreeList::Name(node);
  }
  void Sort(int level) {
    const std::vector<TdxSortColumn> keys{{1, false}};
    SortNodes(tree, level, keys, TdxNodeSortComparer(tree, false));
    tree.CheckInvariants();
  }
  TSortTreeList tree;
};

TEST_F(SortingLevels, EveryListWithLevelMinusOne) {
  Sort(-1);
  EXPECT_EQ(tree.Shape(), "a(a1 a2(p q)) b(b1 b2) c(c1 c2(x y z) c3)");
}

TEST_F(SortingLevels, OnlyTheListsOfOneLevel) {
  Sort(0);
  EXPECT_EQ(tree.Shape(), "a(a2(q p) a1) b(b2 b1) c(c3 c1 c2(z y x))");
  Sort(2);
  EXPECT_EQ(tree.Shape(), "a(a2(p q) a1) b(b2 b1) c(c3 c1 c2(x y z))");
  Sort(1);
  EXPECT_EQ(tree.Shape(), "a(a1 a2(p q)) b(b1 b2) c(c1 c2(x y z) c3)");
  Sort(5);  // below the deepest list: nothing
  EXPECT_EQ(tree.Shape(), "a(a1 a2(p q)) b(b1 b2) c(c1 c2(x y z) c3)");
}

TEST_F(SortingLevels, AnEventComparerSortsEveryListByTheHandler) {
  const std::vector<TdxSortColumn> keys{{1, false}};
  TdxTLCompareEvent byNameDescending = [](TObject*, TdxTreeListNode* a, TdxTreeListNode* b, int& compare) {
    compare = TTestTreeList::Name(b).compare(TTestTreeList::Name(a));
  };
  SortNodes(tree, -1, keys, TdxNodeSortComparer(tree, false, byNameDescending));
  EXPECT_EQ(tree.Shape(), "c(c3 c2(z y x) c1) b(b2 b1) a(a2(q p) a1)");
}

// Sorts keep their working memory in the tree list between sorts; a sort
// started inside another one's comparison must get memory of its own.
TEST_F(SortingLevels, ASortInsideAComparisonLeavesTheOuterSortWhole) {
  const std::vector<TdxSortColumn> keys{{1, false}};
  SortNodes(tree, -1, keys, TdxNodeSortComparer(tree, false));  // the buffers are the tree list's now
  bool nested = false;
  TdxTLCompareEvent byNameDescending = [&](TObject*, TdxTreeListNode* a, TdxTreeListNode* b, int& compare) {
    if (!std::exchange(nested, true))
      SortNodes(tree, 1, std::vector<TdxSortColumn>{{1, true}}, TdxNodeSortComparer(tree, false));
    compare = TTestTreeList::Name(b).compare(TTestTreeList::Name(a));
  };
  SortNodes(tree, 0, keys, TdxNodeSortComparer(tree, false, byNameDescending));
  EXPECT_EQ(tree.Shape(), "c(c3 c2(x y z) c1) b(b2 b1) a(a2(p q) a1)");
  tree.CheckInvariants();
}

TEST(NodeSorter, AKeyThatCannotBeReadLeavesTheOrder) {
  class TFailingTreeList : public TSortTreeList {
   public:
    Variant GetSortValue(const TdxTreeListNode* node, int column) const override {
      if (Name(node) == "c") throw EVariantTypeCastError("no value");
      return TSortTreeList::GetSortValue(node, column);
    }
  } tree;
  tree.Build("d c b a");
  const std::vector<TdxSortColumn> keys{{0, false}};
  EXPECT_THROW(SortNodeList(tree, nullptr, keys, TdxNodeSortComparer(tree, false)), EVariantTypeCastError);
  EXPECT_EQ(tree.Shape(), "d c b a");
  tree.CheckInvariants();
}

TEST(NodeSorter, APermutationThatRepeatsAnIndexIsRefused) {
  TSortTreeList tree;
  tree.Build("a b c");
  const std::vector<std::uint32_t> twice{2, 0, 2};
  EXPECT_THROW(tree.PermuteSiblings(nullptr, twice), EInvaliddxTreeListOperation);
  const std::vector<std::uint32_t> outside{2, 0, 3};
  EXPECT_THROW(tree.PermuteSiblings(nullptr, outside), EInvaliddxTreeListOperation);
  EXPECT_EQ(tree.Shape(), "a b c");
  tree.PermuteSiblings(nullptr, std::vector<std::uint32_t>{2, 0, 1});
  EXPECT_EQ(tree.Shape(), "c a b");
  tree.CheckInvariants();
}

}  // namespace
