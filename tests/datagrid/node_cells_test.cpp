// A record node's packed cells: every kind of value comes back as it went
// in, texts of any length, Nulls, keys and lookup keys, whether the row was
// packed at once (a load) or changed cell by cell afterwards.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "datagrid/control/node_cells.h"
#include "datagrid/summary/summary.h"

namespace {

// One step on a row: a text, a kept value (or none), a lookup key, the
// key, the preview, or a dropped column.
struct Step {
  enum Kind { Text, Value, Forget, Lookup, Key, Preview, Drop } What;
  int Column = 0;
  std::string Words;
  Variant Data;
};

Step T(int column, std::string text) { return {Step::Text, column, std::move(text), Variant()}; }
Step V(int column, Variant value) { return {Step::Value, column, {}, std::move(value)}; }
Step F(int column) { return {Step::Forget, column, {}, Variant()}; }
Step L(int column, Variant key) { return {Step::Lookup, column, {}, std::move(key)}; }
Step K(Variant key) { return {Step::Key, 0, {}, std::move(key)}; }
Step P(std::string text) { return {Step::Preview, 0, std::move(text), Variant()}; }
Step D(int column) { return {Step::Drop, column, {}, Variant()}; }

// What the row should read as: the same steps on plain vectors.
struct Model {
  struct Cell {
    std::string Text;
    std::optional<Variant> Value;
    std::optional<Variant> Lookup;
  };
  std::vector<Cell> Cells;
  Variant Key = Variant::Null();
  std::string Preview;

  Cell& At(int column) {
    if (static_cast<int>(Cells.size()) <= column) Cells.resize(static_cast<std::size_t>(column) + 1);
    return Cells[static_cast<std::size_t>(column)];
  }
  void Apply(const Step& s) {
    const Variant kept = s.Data.IsEmpty() ? Variant::Null() : s.Data;
    switch (s.What) {
      case Step::Text: At(s.Column).Text = s.Words; break;
      case Step::Value: At(s.Column).Value = kept; break;
      case Step::Forget: At(s.Column).Value.reset(); break;
      case Step::Lookup: At(s.Column).Lookup = kept; break;
      case Step::Key: Key = kept; break;
      case Step::Preview: Preview = s.Words; break;
      case Step::Drop:
        if (s.Column < static_cast<int>(Cells.size())) Cells.erase(Cells.begin() + s.Column);
        break;
    }
  }
};

void Apply(TdxNodeCells& cells, const Step& s) {
  switch (s.What) {
    case Step::Text: cells.SetText(s.Column, s.Words); break;
    case Step::Value: cells.SetValue(s.Column, &s.Data); break;
    case Step::Forget: cells.SetValue(s.Column, nullptr); break;
    case Step::Lookup: cells.SetLookupKey(s.Column, &s.Data); break;
    case Step::Key: cells.SetKey(s.Data); break;
    case Step::Preview: cells.SetPreview(s.Words); break;
    case Step::Drop: cells.DropColumn(s.Column); break;
  }
}

void ExpectSame(const std::optional<Variant>& got, const std::optional<Variant>& want, const std::string& what) {
  ASSERT_EQ(got.has_value(), want.has_value()) << what;
  if (!want) return;
  // The kind too: an Integer must not come back as an Int64 or a Double.
  EXPECT_EQ(static_cast<int>(got->VarType()), static_cast<int>(want->VarType())) << what;
  if (!want->IsNull() && !want->IsArray()) {
    EXPECT_TRUE(*got == *want) << what;
  }
}

void ExpectReads(const TdxNodeCells& cells, const Model& model) {
  EXPECT_EQ(cells.Count(), static_cast<int>(model.Cells.size()));
  for (int c = 0; c <= static_cast<int>(model.Cells.size()); ++c) {
    SCOPED_TRACE("column " + std::to_string(c));
    const Model::Cell cell = c < static_cast<int>(model.Cells.size()) ? model.Cells[static_cast<std::size_t>(c)] : Model::Cell{};
    EXPECT_EQ(cells.Text(c), cell.Text);
    EXPECT_EQ(cells.HasValue(c), cell.Value.has_value());
    ExpectSame(cells.Value(c), cell.Value, "value");
    ExpectSame(cells.LookupKey(c), cell.Lookup, "lookup key");
    std::optional<long double> number;
    EXPECT_EQ(cells.SummaryNumber(c, number), cell.Value.has_value());
    if (cell.Value) {
      EXPECT_EQ(number, SummaryNumber(*cell.Value));
    }
    // The batch read of totals decides a number only where it reads the same.
    const TdxNodeCells* one = &cells;
    TdxCellNumber read;
    TdxNodeCells::SummaryNumbers(&one, 1, 1, c, &read);
    if (read.Kind != TdxCellNumber::Other) {
      ASSERT_TRUE(cell.Value.has_value());
      const std::optional<long double> batch = read.Kind == TdxCellNumber::Null ? std::nullopt
                                               : read.Kind == TdxCellNumber::Integer
                                                   ? std::optional<long double>(read.Whole)
                                                   : std::optional<long double>(read.Fraction);
      EXPECT_EQ(batch, SummaryNumber(*cell.Value));
    }
  }
  ExpectSame(cells.Key(), model.Key, "key");
  EXPECT_EQ(cells.Preview(), model.Preview);
}

struct CellsCase {
  const char* Name;
  std::vector<Step> Load;     // packed at once, as a record loads
  std::vector<Step> Changes;  // one by one afterwards
};

class NodeCells : public ::testing::TestWithParam<CellsCase> {};

TEST_P(NodeCells, ReadBackAsWrittenLoadedAtOnceAndChangedInPlace) {
  const CellsCase& c = GetParam();
  Model model;
  TdxNodeCells cells;
  cells.BeginBuild();
  for (const Step& s : c.Load) {
    model.Apply(s);
    Apply(cells, s);
  }
  {
    SCOPED_TRACE("while loading");
    ExpectReads(cells, model);
  }
  cells.EndBuild();
  {
    SCOPED_TRACE("loaded");
    ExpectReads(cells, model);
  }
  for (std::size_t i = 0; i < c.Changes.size(); ++i) {
    model.Apply(c.Changes[i]);
    Apply(cells, c.Changes[i]);
    SCOPED_TRACE("after change " + std::to_string(i));
    ExpectReads(cells, model);
  }
}

const std::string LongText(70000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Rows, NodeCells,
    ::testing::Values(
        CellsCase{"EveryNumberKind",
                  {V(0, Variant(std::int16_t{-7})), V(1, Variant(42)), V(2, Variant(std::int64_t{1} << 60 | 1)),
                   V(3, Variant::FromByte(200)), V(4, Variant::FromWord(65000)), V(5, Variant::FromLongWord(4000000000U)),
                   V(6, Variant(true)), V(7, Variant(TCurrency{-12345})), V(8, Variant(2.5)),
                   V(9, Variant::FromDate(45000.25)), T(9, "date")},
                  {V(2, Variant(-1.0)), V(6, Variant(false))}},
        CellsCase{"NullsAndTextsWithNothingKept",
                  {T(0, "Иванов"), V(1, Variant::Null()), T(2, "x"), V(3, Variant()), T(4, "")},
                  {T(1, "now a text"), F(1), V(4, Variant::Null()), F(3)}},
        CellsCase{"TextsPastSixtyFourKilobytes",
                  {T(0, "a"), T(1, LongText), T(2, "b"), V(2, Variant(5)), P("preview")},
                  {T(1, "short again"), T(0, LongText + LongText)}},
        CellsCase{"MixedKindsInOneColumn",
                  {T(0, "1"), V(0, Variant(1))},
                  {V(0, Variant("one")), V(0, Variant(1.5)), V(0, Variant::Null()), V(0, VarArrayCreate(0, 2)), F(0)}},
        CellsCase{"KeyThatIsAColumnsValue",
                  {T(0, "17"), V(0, Variant(17)), T(1, "Street"), K(Variant(17))},
                  {V(0, Variant(18)), K(Variant(18)), F(0), D(0)}},
        CellsCase{"KeysOfOtherKinds",
                  {K(Variant("KEY-1")), T(0, "a")},
                  {K(VarArrayCreate(0, 1)), K(Variant(2.5)), K(Variant::Null())}},
        CellsCase{"LookupKeysAndDroppedColumns",
                  {T(0, "a"), T(1, "Moscow"), L(1, Variant(77)), V(1, Variant("Moscow")), T(2, "c"), V(2, Variant(3))},
                  {D(0), L(0, Variant(78)), D(1), D(0), D(5)}},
        CellsCase{"EmptyRow", {}, {P("only a preview"), P(""), K(Variant(1)), T(3, "late column")}}),
    [](const auto& info) { return std::string(info.param.Name); });

// The point of the packing: a row of the directory's apartments (two
// numbers, five short texts, the key shown in a column) takes one block of
// little more than its texts.
TEST(NodeCellsSize, ApartmentRowTakesItsTextsAndTwoNumbers) {
  TdxNodeCells cells;
  cells.BeginBuild();
  const std::vector<std::string> texts = {"123456", "1234", "2-34-56", "Иванов И.И.", "Ленина ул.", "12", ""};
  std::size_t textBytes = 0;
  for (int c = 0; c < static_cast<int>(texts.size()); ++c) {
    cells.SetText(c, texts[static_cast<std::size_t>(c)]);
    textBytes += texts[static_cast<std::size_t>(c)].size();
  }
  const Variant home(123456);
  const Variant street(1234);
  cells.SetValue(0, &home);
  cells.SetValue(1, &street);
  EXPECT_TRUE(cells.SetKeyFromColumn(0));
  cells.EndBuild();
  EXPECT_EQ(cells.Key().AsInteger(), 123456);
  // Header, kinds, offsets and two numbers: 48 bytes beside the texts.
  EXPECT_LE(cells.BlockBytes(), textBytes + 48);
}

}  // namespace
