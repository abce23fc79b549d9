// Array columns on the embedded engine: variant arrays written through a
// statement's parameter come back element for element through the column's
// array object, and the server sees every element where it was put.

#include "dbaccess/statement/fib_array.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/statement/query.h"
#include "framework/core/base/variant_array.h"
#include "framework/core/data/fields.h"
#include "framework/core/data/memory_dataset.h"
#include "framework/core/text/datetime.h"
#include "tests/dbaccess/connection_fixture.h"
#include "tests/support/raised.h"
#include "tests/support/text_query.h"

namespace {

Variant List(int low, std::vector<Variant> values) {
  Variant a = VarArrayCreate(low, low + static_cast<int>(values.size()) - 1);
  for (std::size_t i = 0; i < values.size(); ++i) VarArrayPut(a, values[i], {low + static_cast<int>(i)});
  return a;
}

// The 3 × 2 integers 11, 12, 21, 22, 31, 32 at [1:3, 1:2].
Variant Grid() {
  Variant a = VarArrayCreate({{1, 3}, {1, 2}});
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 2; ++j) VarArrayPut(a, i * 10 + j, {i, j});
  return a;
}

Variant Date(int y, int m, int d) { return Variant::FromDate(EncodeDate(y, m, d)); }
Variant Time(int h, int n, int s, int ms) { return Variant::FromDate(EncodeTime(h, n, s, ms)); }
Variant Stamp(int y, int m, int d, int h, int n, int s, int ms) {
  const TDateTime date = EncodeDate(y, m, d), time = EncodeTime(h, n, s, ms);
  return Variant::FromDate(date < 0 ? date - time : date + time);
}

// Same kind and value, element for element, with the same bounds.
::testing::AssertionResult SameArray(const Variant& actual, const Variant& expected) {
  if (VarArrayDimCount(actual) != VarArrayDimCount(expected))
    return ::testing::AssertionFailure() << VarArrayDimCount(actual) << " dimensions";
  for (int d = 1; d <= VarArrayDimCount(expected); ++d)
    if (VarArrayLowBound(actual, d) != VarArrayLowBound(expected, d) ||
        VarArrayHighBound(actual, d) != VarArrayHighBound(expected, d))
      return ::testing::AssertionFailure() << "bounds of dimension " << d;
  std::string differences;
  ForEachVarArrayElement(expected, [&](const Variant& want, std::span<const int> at, bool&) {
    const Variant& got = VarArrayGet(actual, at);
    if (got.VarType() != want.VarType() || !(got.IsNull() || got == want))
      differences += " [" + std::to_string(at[0]) + "] " + VarTypeAsText(got.VarType()) + " '" + VarToStr(got) +
                     "' for " + VarTypeAsText(want.VarType()) + " '" + VarToStr(want) + "';";
  });
  if (differences.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differences;
}

class ArrayColumnTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    ExecuteSQL(
        "create table ARR (ID integer not null primary key, IA integer[1:3, 1:2], SA smallint[0:2],"
        " NA numeric(9,2)[1:2], BA bigint[1:2], N18 numeric(18,3)[1:2], FA float[1:2],"
        " DA double precision[1:2], DTA date[1:2], TMA time[1:2], TSA timestamp[1:2],"
        " CA char(5)[1:3], VA varchar(5)[1:3])");
    MakeConnection();
  }

  TFIBQuery& NewQuery(std::string_view sql) { return NewStatement(FDB, FTR, sql); }

  // Inserts row id with the column set from value through the parameter's
  // array writer.
  void Insert(int id, const std::string& column, const Variant& value) {
    TFIBQuery& insert = NewQuery("insert into ARR (ID, " + column + ") values (:ID, :V)");
    insert.Prepare();
    insert.ParamByName("ID").SetAsInteger(id);
    insert.ParamByName("V").SetArrayValues(value);
    insert.ExecQuery();
  }

  // The column of row id, read whole through its array object.
  Variant Read(int id, const std::string& column) {
    TFIBQuery& select = NewQuery("select " + column + " from ARR where ID = " + std::to_string(id));
    select.ExecQuery();
    TFIBXSQLVAR& var = select.Fields(0);
    EXPECT_NE(var.ArrayObject(), nullptr);
    if (var.ArrayObject() == nullptr) return Variant();
    return var.ArrayObject()->GetArrayValues(FDB->HandleAddress(), FTR->HandleAddress(), var.AsQuad());
  }

  // One value as the server gives it, in this transaction.
  std::string ServerValue(const std::string& select) {
    return TTextQuery(FDB->HandleAddress(), FTR->HandleAddress()).Value(select);
  }
};

// ---- Every element type, written and read back ----------------------------------------------

struct TArrayCase {
  const char* Name;
  const char* Column;
  Variant Written;
  Variant Read;
  // An element as the server sees it (a select of "Column[index]") and its text.
  std::vector<std::pair<const char*, const char*>> OnServer;
};

void PrintTo(const TArrayCase& c, std::ostream* out) { *out << c.Name; }

std::vector<TArrayCase> ArrayCases() {
  return {
      {"IntegerGridKeepsItsIndices", "IA", Grid(), Grid(), {{"IA[1,2]", "12"}, {"IA[2,1]", "21"}, {"IA[3,2]", "32"}}},
      {"SmallintFromLowBoundZero",
       "SA",
       List(0, {-32768, Variant(std::int16_t{7}), "32767"}),
       List(0, {Variant(std::int16_t{-32768}), Variant(std::int16_t{7}), Variant(std::int16_t{32767})}),
       {{"SA[0]", "-32768"}, {"SA[2]", "32767"}}},
      {"ScaledNumericKeepsItsDecimals",
       "NA",
       List(1, {123.45, "-0,01"}),
       List(1, {123.45, -0.01}),
       {{"NA[1]", "123.45"}, {"NA[2]", "-0.01"}}},
      {"BigintKeepsAllDigits",
       "BA",
       List(1, {Variant(std::int64_t{9223372036854775807}), -5}),
       List(1, {Variant(std::int64_t{9223372036854775807}), Variant(std::int64_t{-5})}),
       {{"BA[1]", "9223372036854775807"}, {"BA[2]", "-5"}}},
      {"WideScaledNumericKeepsItsDecimals",
       "N18",
       List(1, {123456789.125, -0.001}),
       List(1, {123456789.125, -0.001}),
       {{"N18[1]", "123456789.125"}, {"N18[2]", "-0.001"}}},
      {"FloatElementsTakeFourBytes",
       "FA",
       List(1, {1.5, -0.25}),
       List(1, {1.5, -0.25}),
       {{"FA[1]", "1.5"}, {"FA[2]", "-0.25"}}},
      {"DoubleElements",
       "DA",
       List(1, {1.0 / 3.0, -1e300}),
       List(1, {1.0 / 3.0, -1e300}),
       {{"DA[2]", "-1e+300"}}},
      {"DateElementsAndNullAsServerDayZero",
       "DTA",
       List(1, {Date(2024, 2, 29), Variant::Null()}),
       List(1, {Date(2024, 2, 29), Date(1858, 11, 17)}),
       {{"DTA[1]", "2024-02-29"}, {"DTA[2]", "1858-11-17"}}},
      {"TimeElementsKeepTheirMilliseconds",
       "TMA",
       List(1, {Time(13, 45, 7, 123), Time(0, 0, 0, 1)}),
       List(1, {Time(13, 45, 7, 123), Time(0, 0, 0, 1)}),
       {{"TMA[1]", "13:45:07.1230"}, {"TMA[2]", "00:00:00.0010"}}},
      {"TimeStampElementsBeforeAndAfterDayZero",
       "TSA",
       List(1, {Stamp(2024, 2, 29, 13, 45, 7, 123), Stamp(1899, 12, 29, 6, 0, 0, 0)}),
       List(1, {Stamp(2024, 2, 29, 13, 45, 7, 123), Stamp(1899, 12, 29, 6, 0, 0, 0)}),
       {{"TSA[1]", "2024-02-29 13:45:07.1230"}, {"TSA[2]", "1899-12-29 06:00:00.0000"}}},
      {"CharElementFillingItsLengthIsReadToItsLength",
       "CA",
       List(1, {"ABCDE", "ab", "xyz"}),
       List(1, {"ABCDE", "ab", "xyz"}),
       {{"CA[1]", "ABCDE"}, {"CA[2]", "ab   "}}},
      {"CharTextLongerThanItsElementIsCut",
       "CA",
       List(1, {"toolong", Variant::Null(), "overflowing"}),
       List(1, {"toolo", "", "overf"}),
       {{"CA[1]", "toolo"}, {"CA[3]", "overf"}}},
      {"VaryingElementsKeepTheirBlanks",
       "VA",
       List(1, {"abcde", "", "x y "}),
       List(1, {"abcde", "", "x y "}),
       {{"VA[1]", "abcde"}, {"'|' || VA[3] || '|'", "|x y |"}, {"char_length(VA[2])", "0"}}},
      {"VaryingTextLongerThanItsElementIsCut",
       "VA",
       List(1, {"abcdefgh", "12345", "z"}),
       List(1, {"abcde", "12345", "z"}),
       {{"VA[1]", "abcde"}, {"VA[2]", "12345"}}},
  };
}

class ArrayRoundTrip : public ArrayColumnTest, public ::testing::WithParamInterface<TArrayCase> {};

TEST_P(ArrayRoundTrip, ThroughAStatement) {
  const TArrayCase& c = GetParam();
  Insert(1, c.Column, c.Written);
  EXPECT_TRUE(SameArray(Read(1, c.Column), c.Read));
  for (const auto& [element, text] : c.OnServer)
    EXPECT_EQ(ServerValue(std::string("select ") + element + " from ARR where ID = 1"), text) << element;
}

INSTANTIATE_TEST_SUITE_P(Columns, ArrayRoundTrip, ::testing::ValuesIn(ArrayCases()),
                         [](const auto& info) { return std::string(info.param.Name); });

// ---- Descriptions, nulls and misuse ---------------------------------------------------------------

TEST_F(ArrayColumnTest, ColumnsDescribeTheirBoundsAndSlices) {
  TFIBQuery& select = NewQuery("select IA, SA, VA, CA, ID from ARR");
  select.Prepare();
  const TpFIBArray* ia = select.FieldByName("IA").ArrayObject();
  ASSERT_NE(ia, nullptr);
  EXPECT_EQ(ia->RelationName(), "ARR");
  EXPECT_EQ(ia->FieldName(), "IA");
  EXPECT_EQ(ia->FieldType(), ftInteger);
  EXPECT_EQ(select.FieldByName("IA").ArrayDimensions(), 2);
  EXPECT_EQ(ia->DimensionBounds(0).Low, 1);
  EXPECT_EQ(ia->DimensionBounds(0).High, 3);
  EXPECT_EQ(ia->DimensionBounds(1).High, 2);
  EXPECT_EQ(ia->SliceSize(), 24);
  EXPECT_EQ(ia->ArraySize(), 24);
  const TpFIBArray* va = select.FieldByName("VA").ArrayObject();
  ASSERT_NE(va, nullptr);
  EXPECT_EQ(va->FieldType(), ftString);
  EXPECT_EQ(va->SliceSize(), (5 + 2) * 3 + 2);
  EXPECT_EQ(select.FieldByName("CA").ArrayObject()->SliceSize(), 15);

  const TpFIBArray* sa = select.FieldByName("SA").ArrayObject();
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { sa->DimensionBounds(1); }).Text(),
            "60 Dimension 1 don't exist in \"ARR.SA\" ");
  EXPECT_EQ(ClientErrorOf([&] { ia->DimensionBounds(2); }), ceDimensionNotExists);
  EXPECT_EQ(ClientErrorOf([&] { ia->DimensionBounds(-1); }), ceDimensionNotExists);

  EXPECT_EQ(select.FieldByName("ID").ArrayObject(), nullptr);
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { select.FieldByName("ID").ArrayDimensions(); }).Text(),
            "59 Column types \"ARR.ID\" is not array field");
  EXPECT_EQ(ClientErrorOf([&] { select.FieldByName("ID").SetArrayValues(List(0, {1})); }), ceFieldIsNotArray);
}

TEST_F(ArrayColumnTest, NullArraysReadAsNullElements) {
  TFIBQuery& insert = NewQuery("insert into ARR (ID, IA, VA) values (:ID, :IA, :VA)");
  insert.Prepare();
  insert.ParamByName("ID").SetAsInteger(1);
  insert.ParamByName("IA").SetIsNull(true);
  // Not an array: nothing is written, the parameter stays null.
  insert.ParamByName("VA").SetArrayValues(Variant(5));
  EXPECT_TRUE(insert.ParamByName("VA").IsNull());
  insert.ExecQuery();

  Variant nulls = VarArrayCreate({{1, 3}, {1, 2}});
  ForEachVarArrayElement(nulls, [](Variant& v, std::span<const int>, bool&) { v = Variant::Null(); });
  EXPECT_TRUE(SameArray(Read(1, "IA"), nulls));
  EXPECT_TRUE(SameArray(Read(1, "VA"), List(1, {Variant::Null(), Variant::Null(), Variant::Null()})));
  EXPECT_EQ(ServerValue("select IA from ARR where ID = 1"), "<null>");
}

TEST_F(ArrayColumnTest, ValuesThatDoNotFitTheColumnAreRefused) {
  TFIBQuery& insert = NewQuery("insert into ARR (ID, SA) values (:ID, :V)");
  insert.Prepare();
  TFIBXSQLVAR& v = insert.ParamByName("V");
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { v.SetArrayValues(VarArrayCreate({{0, 2}, {0, 0}})); }).Text(),
            "60 Dimension 1 don't exist in \"ARR.SA\" ");
  EXPECT_EQ(ClientErrorOf([&] { v.SetArrayValues(List(0, {1, 2, 3, 4})); }), ceInvalidDataConversion)
      << "more elements than the column holds";
  EXPECT_EQ(ClientErrorOf([&] { v.SetArrayValues(List(0, {1, 40000, 3})); }), ceInvalidDataConversion);
  EXPECT_TRUE(v.IsNull());
}

TEST_F(ArrayColumnTest, VariantAssignmentWritesArraysAndMacroTextsFindTheirColumn) {
  // A macro rewrites the text sent: the parameter finds its column by name.
  TFIBQuery& insert = NewQuery("insert into @@TBL%ARR@ (ID, SA) values (:ID, :V)");
  insert.Prepare();
  insert.ParamByName("ID").SetAsInteger(2);
  insert.ParamByName("V").SetAsVariant(List(0, {1, 2, 3}));
  EXPECT_EQ(insert.ParamByName("V").SQLType(), SQLTypeArray);
  insert.ExecQuery();
  EXPECT_EQ(ServerValue("select SA[0] + SA[1] + SA[2] from ARR where ID = 2"), "6");
}

// ---- Arrays held by a field --------------------------------------------------------------------

TEST_F(ArrayColumnTest, FieldHoldsTheIdentifierItsArrayIsReadAndWrittenBy) {
  TFIBQuery& select = NewQuery("select SA from ARR");
  select.Prepare();
  const TpFIBArray& array = *select.Fields(0).ArrayObject();

  TMemoryDataSet data(nullptr);
  data.FieldDefs().Add("A", ftBytes, 8);
  data.Open();
  data.Append();
  TField* field = data.FieldByName("A");
  EXPECT_TRUE(SameArray(array.GetFieldArrayValues(field, FDB->HandleAddress(), FTR->HandleAddress()),
                        List(0, {Variant::Null(), Variant::Null(), Variant::Null()})));

  array.SetFieldArrayValue(List(0, {1, 2, 3}), field, FDB->HandleAddress(), FTR->HandleAddress());
  ASSERT_FALSE(field->IsNull());
  EXPECT_TRUE(SameArray(array.GetFieldArrayValues(field, FDB->HandleAddress(), FTR->HandleAddress()),
                        List(0, {Variant(std::int16_t{1}), Variant(std::int16_t{2}), Variant(std::int16_t{3})})));

  // An Empty element keeps what the field's array held, also while that is
  // an array no row holds yet (which the server cannot read back).
  array.SetFieldArrayValue(List(0, {Variant(), 20}), field, FDB->HandleAddress(), FTR->HandleAddress());
  EXPECT_TRUE(SameArray(array.GetFieldArrayValues(field, FDB->HandleAddress(), FTR->HandleAddress()),
                        List(0, {Variant(std::int16_t{1}), Variant(std::int16_t{20}), Variant(std::int16_t{3})})));

  // The identifier the field holds is an array the server stores.
  TFIBQuery& insert = NewQuery("insert into ARR (ID, SA) values (3, :V)");
  insert.Prepare();
  std::string id(8, '\0');
  ASSERT_TRUE(field->GetData(id.data()));
  TISCQuad quad;
  std::memcpy(&quad, id.data(), sizeof(quad));
  insert.ParamByName("V").SetAsQuad(quad);
  insert.ExecQuery();
  EXPECT_EQ(ServerValue("select SA[1] from ARR where ID = 3"), "20");
  data.Cancel();
}

// An array edited through a dataset is posted as an array id, the first time
// the update statement runs as well as later.
TEST_F(ArrayColumnTest, DataSetPostsAnEditedArray) {
  Insert(1, "SA", List(0, {1, 2, 3}));
  auto* data = new TFIBDataSet(&Form());  // owned by the form
  data->SetDatabase(FDB);
  data->SetTransaction(FTR);
  data->SelectSQL().SetText("select ID, SA from ARR");
  data->UpdateSQL().SetText("update ARR set SA = :SA where ID = :OLD_ID");
  data->RefreshSQL().SetText("select ID, SA from ARR where ID = :ID");
  data->Open();
  for (const int first : {4, 7}) {
    data->Edit();
    data->FieldByName("SA")->SetAsVariant(List(0, {first, first + 1, first + 2}));
    data->Post();
    EXPECT_EQ(ServerValue("select SA[0] * 100 + SA[1] * 10 + SA[2] from ARR"), std::to_string(first * 111 + 12));
  }
}

}  // namespace
