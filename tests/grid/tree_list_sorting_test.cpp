// Sorting by clicking headers with the real mouse: the sort marks each
// click leaves, the order of the rows (and of their children), Shift
// adding a key, Ctrl clearing one, the hourglass, and the click flags
// that never outlive the click.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/grid/mouse_grid.h"

namespace {

class SortingTest : public MouseGridTest {
 protected:
  // "A^0 Bv1 C" : each column's caption, its sort mark and its place among
  // the sorted columns.
  std::string Marks() const {
    std::string marks;
    for (int i = 0; i < Grid->ColumnCount(); ++i) {
      const TdxTreeListColumn* column = Column(i);
      marks += (i > 0 ? " " : "") + column->Caption();
      if (column->Sorted() != csNone)
        marks += (column->Sorted() == csUp ? "^" : "v") + std::to_string(column->SortedOrder());
    }
    return marks;
  }
  // Column 0 and 1 of the top-level rows: "a1 b2 ...".
  std::string Rows() const {
    std::string rows;
    for (int i = 0; i < Grid->Count(); ++i)
      rows +=
          (i > 0 ? " " : "") + Grid->GetCellText(Grid->Items(i), 0) + Grid->GetCellText(Grid->Items(i), 1);
    return rows;
  }
};

struct ClickStep {
  int Column;
  Qt::KeyboardModifiers Modifiers;
  const char* Marks;
  const char* Rows;  // nullptr: rows of equal keys, order not checked
};

struct SortCase {
  const char* Name;
  bool MultiSort;
  std::vector<ClickStep> Steps;
};
void PrintTo(const SortCase& c, std::ostream* os) { *os << c.Name; }

class HeaderClickSortTest : public SortingTest, public ::testing::WithParamInterface<SortCase> {};

TEST_P(HeaderClickSortTest, EachClickLeavesItsMarksAndTheRowsInTheirOrder) {
  const SortCase& c = GetParam();
  Grid->SetOptions(Grid->Options() | (1u << tloAutoSort));
  if (c.MultiSort) Grid->SetOptionsEx(Grid->OptionsEx() | (1u << tloMultiSort));
  for (const auto& [a, b] : std::vector<std::pair<std::string, std::string>>{
           {"b", "2"}, {"a", "3"}, {"c", "1"}, {"a", "4"}, {"b", "5"}})
    Grid->AddRow({a, b});
  int step = 0;
  for (const ClickStep& s : c.Steps) {
    Click(CellCentre(s.Column), s.Modifiers);
    EXPECT_EQ(Marks(), s.Marks) << "click " << step;
    // Equal keys keep an order of their own: only rows told apart are checked.
    if (s.Rows != nullptr) {
      EXPECT_EQ(Rows(), s.Rows) << "click " << step;
    }
    EXPECT_FALSE(Grid->IsMultiSortClick() || Grid->IsClearSortClick() || Grid->IsHeaderSortClick());
    ++step;
  }
}

INSTANTIATE_TEST_SUITE_P(Clicks, HeaderClickSortTest,
                         ::testing::Values(SortCase{"UpDownUp",
                                                    false,
                                                    {{1, Qt::NoModifier, "A B^0 C", "c1 b2 a3 a4 b5"},
                                                     {1, Qt::NoModifier, "A Bv0 C", "b5 a4 a3 b2 c1"},
                                                     {1, Qt::NoModifier, "A B^0 C", "c1 b2 a3 a4 b5"}}},
                                           SortCase{"CtrlClearsAndKeepsTheOrder",
                                                    false,
                                                    {{1, Qt::NoModifier, "A B^0 C", "c1 b2 a3 a4 b5"},
                                                     {1, Qt::ControlModifier, "A B C", "c1 b2 a3 a4 b5"}}},
                                           SortCase{"AnotherHeaderSortsByItsColumnAlone",
                                                    true,
                                                    {{1, Qt::NoModifier, "A B^0 C", "c1 b2 a3 a4 b5"},
                                                     {0, Qt::NoModifier, "A^0 B C", nullptr}}},
                                           SortCase{"ShiftAddsAKey",
                                                    true,
                                                    {{0, Qt::NoModifier, "A^0 B C", nullptr},
                                                     {1, Qt::ShiftModifier, "A^0 B^1 C", "a3 a4 b2 b5 c1"},
                                                     {1, Qt::ShiftModifier, "A^0 Bv1 C", "a4 a3 b5 b2 c1"},
                                                     {0, Qt::ShiftModifier, "Av0 Bv1 C", "c1 b5 b2 a4 a3"}}},
                                           SortCase{"ShiftWithoutMultiSortIsAPlainClick",
                                                    false,
                                                    {{0, Qt::NoModifier, "A^0 B C", nullptr},
                                                     {1, Qt::ShiftModifier, "A B^0 C", "c1 b2 a3 a4 b5"}}}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(SortingTest, ClicksWithoutSortOnClickOnlyReportTheColumn) {
  Grid->SetOptions(Grid->Options() & ~(1u << tloAutoSort));
  Grid->AddRow({"b"});
  Grid->AddRow({"a"});
  std::vector<std::string> clicked;
  Grid->OnColumnClick = [&](TObject*, TdxTreeListColumn* column) { clicked.push_back(column->Caption()); };
  Click(CellCentre(0));
  EXPECT_EQ(clicked, std::vector<std::string>{"A"});
  EXPECT_EQ(Marks(), "A B C");
  EXPECT_EQ(Rows(), "b a");
  // A press that leaves the header before the release is no click.
  MousePressAt(*Grid, CellCentre(0));
  MouseReleaseAt(*Grid, Point(CellCentre(0).X, Grid->Layout().Rows.Top + 30));
  EXPECT_EQ(clicked.size(), 1u);
}

TEST_F(SortingTest, EveryLevelIsSortedAndTheHourglassShowsMeanwhile) {
  Grid->SetOptions(Grid->Options() | (1u << tloAutoSort));
  Grid->SetOptionsEx(Grid->OptionsEx() | (1u << tloShowHourGlass));
  TdxTreeListNode* b = Grid->AddRow({"b"});
  TdxTreeListNode* a = Grid->AddRow({"a"});
  Grid->AddRow({"y"}, b);
  Grid->AddRow({"x"}, b);
  TdxTreeListNode* z = Grid->AddRow({"z"}, a);
  Grid->AddRow({"w"}, z);
  Grid->AddRow({"v"}, z);
  std::vector<TCursor> cursors;
  Grid->OnCompare = [&](TObject*, TdxTreeListNode* n1, TdxTreeListNode* n2, int& result) {
    cursors.push_back(ScreenCursor());
    result = Grid->GetCellText(n1, 0).compare(Grid->GetCellText(n2, 0));
  };
  Click(CellCentre(0));
  EXPECT_EQ(Grid->Order(), "a b");
  EXPECT_EQ(Grid->Order(b), "x y");
  EXPECT_EQ(Grid->Order(z), "v w") << "the lists below the top level too";
  ASSERT_FALSE(cursors.empty());
  for (TCursor cursor : cursors) EXPECT_EQ(cursor, crHourGlass);
  EXPECT_EQ(ScreenCursor(), crDefault);
  Grid->CheckInvariants();

  // One level alone, with the sort's own rules (no handler).
  Grid->OnCompare = nullptr;
  Grid->SortNodes(1, 0, true);
  EXPECT_EQ(Grid->Order(), "a b");
  EXPECT_EQ(Grid->Order(b), "y x");
  EXPECT_EQ(Grid->Order(z), "v w") << "two levels down is not one level down";
  Grid->SortNodeList(z, 0, true);
  EXPECT_EQ(Grid->Order(z), "w v");
}

TEST_F(SortingTest, TheClickFlagsAndTheCursorAreResetWhenTheClickFails) {
  Grid->SetOptions(Grid->Options() | (1u << tloAutoSort));
  Grid->SetOptionsEx(Grid->OptionsEx() | (1u << tloMultiSort) | (1u << tloShowHourGlass));
  Grid->AddRow({"b"});
  Grid->AddRow({"a"});
  bool multi = false;
  bool clear = false;
  Grid->OnColumnClick = [&](TObject*, TdxTreeListColumn*) {
    multi = Grid->IsMultiSortClick();
    clear = Grid->IsClearSortClick();
    throw std::runtime_error("no sorting today");
  };
  EXPECT_THROW(Grid->HeaderClick(Column(0), TShiftState{ssShift, ssCtrl}), std::runtime_error);
  EXPECT_TRUE(multi);
  EXPECT_TRUE(clear);
  EXPECT_FALSE(Grid->IsMultiSortClick());
  EXPECT_FALSE(Grid->IsClearSortClick());
  EXPECT_FALSE(Grid->IsHeaderSortClick());

  Grid->OnColumnClick = nullptr;
  Grid->OnCompare = [](TObject*, TdxTreeListNode*, TdxTreeListNode*, int&) {
    throw std::runtime_error("broken");
  };
  EXPECT_THROW(Grid->HeaderClick(Column(0), {}), std::runtime_error);
  EXPECT_EQ(ScreenCursor(), crDefault) << "the hourglass goes also when the sort fails";
  Grid->CheckInvariants();
}

TEST_F(SortingTest, AColumnTheHandlerRefusesStaysUnsorted) {
  Grid->SetOptions(Grid->Options() | (1u << tloAutoSort));
  Grid->OnCanSortColumn = [](TObject*, int column, bool& allow) { allow = column != 0; };
  Grid->AddRow({"b"});
  Grid->AddRow({"a"});
  Click(CellCentre(0));
  EXPECT_EQ(Marks(), "A B C");
  EXPECT_EQ(Grid->Order(), "b a");
}

}  // namespace
