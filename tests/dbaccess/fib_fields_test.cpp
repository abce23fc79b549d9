// Every column type the dataset stores, read through the dataset's typed
// fields, null and not null; the fields' texts and writers on an edited
// record.

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/util/number_text.h"
#include "framework/core/base/variant_array.h"
#include "framework/core/data/memory_dataset.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/float_text.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/fib_dataset_fixture.h"
#include "tests/support/raised.h"

namespace {

class FieldsTest : public DataSetTest {
 protected:
  void SetUp() override {
    DataSetTest::SetUp();
    ExecuteSQL(
        "create table TYPES (ID integer not null, S smallint, I integer, B bigint, N42 numeric(4,2),"
        " N92 numeric(9,2), N182 numeric(18,2), N186 numeric(18,6), N184 numeric(18,4), F float,"
        " D double precision, DT date, TM time, TS timestamp, C4 char(4), C8 char(8), V8 varchar(8),"
        " NEXTINT integer, C20 char(20), V20 varchar(20), BL blob sub_type 1, BB blob, BO boolean)");
    ExecuteSQL(RU(
        "insert into TYPES values (1, -5, -70000, 123456789012, -1.25, 1234567.89, 12345678901234567.89,"
        " 1.123456, 900000000000000.1234, 1.5, 2.25, '2024-02-29', '13:45:30.5', '2024-02-29 13:45:30',"
        " 'ab', 'ABCDEFGH', 'IJKL', 1094795585, 'Привет', 'Ёлка', 'текст', null, true)"));
    ExecuteSQL("insert into TYPES (ID) values (2)");
  }

  TFIBDataSet& Types(const std::string& columns = "*", const char* name = "fdsTypes") {
    return NewDataSet({"select " + columns + " from TYPES order by ID"}, name);
  }
};

std::string Dec(const char* text) {
  std::string s = text;
  for (char& c : s)
    if (c == '.') c = FormatSettings().DecimalSeparator;
  return s;
}

struct ColumnCase {
  const char* Column;
  TFieldType Type;
  // The text of the value; for dates and times the "yyyy-mm-dd hh:nn:ss.zzz"
  // form of AsDateTime.
  std::string Text;
};

class ColumnValues : public FieldsTest, public ::testing::WithParamInterface<ColumnCase> {};

// SMALLINT is sign-extended, scaled integers and FLOAT become doubles, and
// a CHAR that fills its column stops at the column.
TEST_P(ColumnValues, ColumnValuesAreConvertedOnFetch) {
  const ColumnCase& c = GetParam();
  TFIBDataSet& data = Types();
  data.Open();
  TField* field = data.FieldByName(c.Column);
  EXPECT_EQ(field->DataType(), c.Type);
  const bool dated = c.Type == ftDate || c.Type == ftTime || c.Type == ftDateTime;
  EXPECT_FALSE(field->IsNull());
  EXPECT_EQ(dated ? FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", field->AsDateTime()) : field->AsString(), c.Text);
  data.Next();
  EXPECT_TRUE(field->IsNull());
  EXPECT_TRUE(field->Value().IsNull());
  if (c.Type != ftBlob && c.Type != ftMemo) {
    EXPECT_EQ(field->AsString(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Types, ColumnValues,
    ::testing::Values(ColumnCase{"S", ftSmallint, "-5"}, ColumnCase{"I", ftInteger, "-70000"},
                      ColumnCase{"B", ftBCD, "123456789012"}, ColumnCase{"N42", ftFloat, Dec("-1.25")},
                      ColumnCase{"N92", ftFloat, Dec("1234567.89")},
                      ColumnCase{"N182", ftBCD, Dec("12345678901234567.89")},
                      ColumnCase{"N186", ftFloat, Dec("1.123456")},
                      ColumnCase{"N184", ftBCD, Dec("900000000000000.1234")}, ColumnCase{"F", ftFloat, Dec("1.5")},
                      ColumnCase{"D", ftFloat, Dec("2.25")},
                      ColumnCase{"DT", ftDate, "2024-02-29 00:00:00.000"},
                      ColumnCase{"TM", ftTime, "1899-12-30 13:45:30.500"},
                      ColumnCase{"TS", ftDateTime, "2024-02-29 13:45:30.000"}, ColumnCase{"C4", ftString, "ab"},
                      ColumnCase{"C8", ftString, "ABCDEFGH"}, ColumnCase{"V8", ftString, "IJKL"},
                      ColumnCase{"NEXTINT", ftInteger, "1094795585"}, ColumnCase{"C20", ftString, RU("Привет")},
                      ColumnCase{"V20", ftString, RU("Ёлка")}, ColumnCase{"BO", ftBoolean, "True"}),
    [](const auto& info) { return std::string(info.param.Column); });

// The column is the last of the record buffer: nothing behind it stops a
// read that looks for a zero byte.
TEST_F(FieldsTest, CharFillingItsColumnStopsAtTheColumn) {
  TFIBDataSet& data = Types("ID, C8");
  data.Open();
  EXPECT_EQ(data.FieldByName("C8")->AsString(), "ABCDEFGH");
  EXPECT_EQ(data.FieldByName("C8")->Value().AsString(), "ABCDEFGH");
}

TEST_F(FieldsTest, DefaultFieldsAreTheDatasetsOwnClasses) {
  TFIBDataSet& data = Types();
  data.Open();
  EXPECT_NE(dynamic_cast<TFIBSmallIntField*>(data.FieldByName("S")), nullptr);
  EXPECT_NE(dynamic_cast<TFIBIntegerField*>(data.FieldByName("I")), nullptr);
  EXPECT_NE(dynamic_cast<TFIBBCDField*>(data.FieldByName("N182")), nullptr);
  EXPECT_NE(dynamic_cast<TFIBFloatField*>(data.FieldByName("N92")), nullptr);
  EXPECT_NE(dynamic_cast<TFIBStringField*>(data.FieldByName("C20")), nullptr);
  EXPECT_NE(dynamic_cast<TFIBBooleanField*>(data.FieldByName("BO")), nullptr);
  EXPECT_NE(dynamic_cast<TFIBDateTimeField*>(data.FieldByName("TS")), nullptr);
  EXPECT_NE(dynamic_cast<TMemoField*>(data.FieldByName("BL")), nullptr);
  EXPECT_NE(dynamic_cast<TFIBBlobField*>(data.FieldByName("BB")), nullptr);
  EXPECT_EQ(data.FieldByName("N182")->Size(), 2);
  EXPECT_EQ(data.FieldByName("B")->Size(), 0);
  EXPECT_EQ(data.FieldByName("C20")->Size(), 20);
}

TEST_F(FieldsTest, SmallintBecomesIntegerUnderAnIntegerField) {
  TFIBDataSet& data = Types("ID, S");
  auto* persistent = new TFIBIntegerField(&Form());  // owned by the form
  persistent->SetFieldName("S");
  persistent->SetDataSet(&data);
  auto* id = new TFIBIntegerField(&Form());  // owned by the form
  id->SetFieldName("ID");
  id->SetDataSet(&data);
  data.Open();
  EXPECT_EQ(data.FieldDefs().Find("S")->DataType(), ftInteger);
  EXPECT_EQ(persistent->AsInteger(), -5);
}

struct TrimCase {
  const char* Name;
  bool Trim;
  const char* Column;
  std::string Text;
};

class CharTrimming : public FieldsTest, public ::testing::WithParamInterface<TrimCase> {};

TEST_P(CharTrimming, CharValuesAreTrimmedOnlyWhenAsked) {
  const TrimCase& c = GetParam();
  TFIBDataSet& data = Types();
  TpFIBDsOptions options = data.Options();
  if (c.Trim)
    options.Include(poTrimCharFields);
  else
    options.Exclude(poTrimCharFields);
  data.SetOptions(options);
  data.Open();
  EXPECT_EQ(data.FieldByName(c.Column)->AsString(), c.Text);
}

INSTANTIATE_TEST_SUITE_P(Options, CharTrimming,
                         ::testing::Values(TrimCase{"ShortTrimmed", true, "C4", "ab"},
                                           TrimCase{"ShortKept", false, "C4", "ab  "},
                                           TrimCase{"FullTrimmed", true, "C8", "ABCDEFGH"},
                                           TrimCase{"FullKept", false, "C8", "ABCDEFGH"},
                                           TrimCase{"LongTrimmed", true, "C20", RU("Привет")},
                                           TrimCase{"VaryingKept", false, "V20", RU("Ёлка")}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(FieldsTest, Numeric18x6IsFloatUnlessAskedForBcd) {
  TFIBDataSet& plain = Types("ID, N186");
  plain.Open();
  EXPECT_EQ(plain.FieldByName("N186")->DataType(), ftFloat);
  EXPECT_DOUBLE_EQ(plain.FieldByName("N186")->AsFloat(), 1.123456);

  TFIBDataSet& bcd = Types("ID, N186", "fdsBcd");
  bcd.SetPrepareOptions(bcd.PrepareOptions() + psSQLINT64ToBCD);
  bcd.Open();
  TField* field = bcd.FieldByName("N186");
  EXPECT_EQ(field->DataType(), ftBCD);
  EXPECT_EQ(field->Size(), 6);
  EXPECT_EQ(field->AsString(), Dec("1.123456"));
  EXPECT_EQ(BcdToTextDot(field->AsBCD()), "1.123456");
}

TEST_F(FieldsTest, LargeNumericValuesNeverPassThroughADouble) {
  TFIBDataSet& data = Types();
  data.Open();
  TField* n182 = data.FieldByName("N182");
  EXPECT_EQ(n182->AsString(), Dec("12345678901234567.89"));
  EXPECT_EQ(BcdToTextDot(n182->AsBCD()), "12345678901234567.89");
  EXPECT_EQ(FieldBcdAsVariant(n182, false, true).AsString(), "12345678901234567.89");
  EXPECT_EQ(FieldBcdAsVariant(n182, true, true).AsString(), "12345678901234567.89");
  TField* n184 = data.FieldByName("N184");
  EXPECT_EQ(n184->AsCurrency().Value, 9000000000000001234LL);
  EXPECT_EQ(data.FieldByName("B")->AsLargeInt(), 123456789012LL);
  data.Next();
  EXPECT_TRUE(FieldBcdAsVariant(n182, false, true).IsEmpty());
}

// BIGINT and NUMERIC(18,x) values beyond 2^53 stay exact as variants, from
// the field and the column, and go back to the server as they came.
struct ExactCase {
  const char* Column;
  const char* Literal;
  TVarType Kind;
  std::int64_t Exact;  // currencies in ten-thousandths
};

class ExactVariant : public FieldsTest, public ::testing::WithParamInterface<ExactCase> {};

TEST_P(ExactVariant, KeepsEveryDigitThereAndBack) {
  const ExactCase& c = GetParam();
  const std::string column = c.Column;
  ExecuteSQL("insert into TYPES (ID, " + column + ") values (3, " + c.Literal + ")");
  TFIBTransaction& write = NewTransaction("WriteTR", &DB());
  write.TRParams().SetText("write\nread_committed\nrec_version\nnowait");
  TFIBDataSet& data = NewDataSet({"select ID, " + column + " from TYPES where ID = 3"});
  data.SetTransaction(&write);
  data.UpdateSQL().SetText("update TYPES set " + column + " = :" + column + " where ID = :OLD_ID");
  data.SetAutoCommit(true);
  data.Open();
  const Variant read = data.FieldByName(column)->AsVariant();
  for (const Variant& value : {read, data.SelectQuery().Fields(1).AsVariant()}) {
    EXPECT_EQ(value.VarType(), c.Kind);
    EXPECT_EQ(c.Kind == TVarType::Currency ? value.AsCurrency().Value : value.AsInt64(), c.Exact);
  }
  ExecuteSQL("update TYPES set " + column + " = 0 where ID = 3");
  data.Edit();
  data.FieldByName(column)->SetAsVariant(read);
  data.Post();
  EXPECT_EQ(QueryRows("select iif(" + column + " = (" + c.Literal + "), 'same', 'diff') from TYPES where ID = 3")[0][0],
            "same");
}

INSTANTIATE_TEST_SUITE_P(
    Columns, ExactVariant,
    ::testing::Values(ExactCase{"B", "9007199254740993", TVarType::Int64, 9007199254740993LL},
                      ExactCase{"B", "9223372036854775807", TVarType::Int64, 9223372036854775807LL},
                      ExactCase{"N184", "900000000000000.1234", TVarType::Currency, 9000000000000001234LL},
                      ExactCase{"N182", "-92233720368547.75", TVarType::Currency, -922337203685477500LL}));

TEST_F(FieldsTest, DbKeyReadsAsGroupsOfEightHexDigits) {
  TFIBDataSet& data = Types("RDB$DB_KEY, ID");
  data.Open();
  auto* key = dynamic_cast<TFIBStringField*>(data.Fields()[0]);
  ASSERT_NE(key, nullptr);
  EXPECT_TRUE(key->IsDbKey());
  EXPECT_TRUE(std::regex_match(key->AsString(), std::regex("[0-9a-f]{16}"))) << key->AsString();
  std::string text = "left over";
  key->ReadDisplay(text, nullptr);
  EXPECT_EQ(text, key->AsString());
  EXPECT_FALSE(dynamic_cast<TFIBStringField*>(data.FieldByName("ID")) != nullptr);
}

TEST_F(FieldsTest, ArrayFieldShowsWhetherItHoldsAnArray) {
  ExecuteSQL("create table ARR (ID integer, A integer[3])");
  ExecuteSQL("insert into ARR values (1, null)");
  TFIBDataSet& data = NewDataSet({"select ID, A from ARR"});
  data.Open();
  auto* array = dynamic_cast<TFIBArrayField*>(data.FieldByName("A"));
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array->DisplayText(), "(Array)");
  EXPECT_EQ(array->Size(), 8);
}

// The metadata repository decides two things of a column: a domain whose
// name holds BOOLEAN makes a Boolean field, and a column that defaults to
// the empty text keeps an empty text when it may not be null.
TEST_F(FieldsTest, ColumnMetadataShapesFieldsAndEmptyTexts) {
  ExecuteSQL("create domain D_BOOLEAN_FLAG smallint");
  ExecuteSQL("create table META (ID integer, FLAG D_BOOLEAN_FLAG, PLAIN smallint,"
             " KEEP varchar(10) default '' not null, LOOSE varchar(10) default '')");
  ExecuteSQL("insert into META values (1, 1, 1, 'a', 'b')");
  TFIBDataSet& data = NewDataSet({"select ID, FLAG, PLAIN, KEEP, LOOSE from META"});
  data.UpdateSQL().Add("update META set ID = ?ID where ID = ?OLD_ID");
  data.Open();
  EXPECT_NE(dynamic_cast<TFIBBooleanField*>(data.FieldByName("FLAG")), nullptr);
  EXPECT_NE(dynamic_cast<TFIBSmallIntField*>(data.FieldByName("PLAIN")), nullptr);
  data.Edit();
  data.FieldByName("KEEP")->SetAsString("");
  data.FieldByName("LOOSE")->SetAsString("");
  EXPECT_FALSE(data.FieldByName("KEEP")->IsNull());
  EXPECT_TRUE(data.FieldByName("LOOSE")->IsNull());
  data.Cancel();
  TFIBDataSet& plain = NewDataSet({"select FLAG from META"}, "fdsPlain");
  plain.SetPrepareOptions(plain.PrepareOptions() - psUseBooleanField);
  plain.Open();
  EXPECT_NE(dynamic_cast<TFIBSmallIntField*>(plain.FieldByName("FLAG")), nullptr);
}

// An array column's elements written through the field's variant come back
// through it; a null array reads as elements without values.
TEST_F(FieldsTest, ArrayFieldRoundTripsItsElements) {
  ExecuteSQL("create table ARR2 (ID integer, A integer[1:3])");
  ExecuteSQL("insert into ARR2 values (1, null)");
  TFIBDataSet& data = NewDataSet({"select ID, A from ARR2"});
  data.UpdateSQL().Add("update ARR2 set A = ?A where ID = ?OLD_ID");
  data.Open();
  auto* field = dynamic_cast<TFIBArrayField*>(data.FieldByName("A"));
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->ArraySize(), 12);
  const Variant empty = field->AsVariant();
  ASSERT_TRUE(empty.IsArray());
  const int first[] = {1};
  EXPECT_TRUE(GetVarArrayElement(empty, first).IsNull());
  const TVarArrayBound bounds[] = {{1, 3}};
  Variant values = CreateVarArray(bounds, varVariant);
  for (int i = 1; i <= 3; ++i) {
    const int at[] = {i};
    PutVarArrayElement(values, Variant(i * 10), at);
  }
  // Outside an edit nothing is written, not even a slice on the server.
  EXPECT_EQ(ClientErrorOf([&] { field->SetAsVariant(values); }), ceNotInEditMode);
  // A cancelled edit gives the record its array id back.
  data.Edit();
  field->SetAsVariant(values);
  EXPECT_FALSE(field->IsNull());
  data.Cancel();
  EXPECT_TRUE(field->IsNull());
  data.Edit();
  field->SetAsVariant(values);
  EXPECT_EQ(field->DisplayText(), "(ARRAY)");
  const Variant back = field->AsVariant();
  for (int i = 1; i <= 3; ++i) {
    const int at[] = {i};
    EXPECT_EQ(GetVarArrayElement(back, at).AsInteger(), i * 10) << i;
  }
  field->SetAsVariant(Variant::Null());
  EXPECT_TRUE(field->IsNull());
}

// An edited record: the writers store into the active buffer, a cancel
// brings the cached record back.
class EditedFields : public FieldsTest {
 protected:
  TFIBDataSet& Edited() {
    TFIBDataSet& data = Types();
    data.UpdateSQL().Add("update TYPES set ID = ?ID where ID = ?OLD_ID");
    data.Open();
    data.Edit();
    return data;
  }
};

TEST_F(EditedFields, IntegerFieldHoldsSecondsShownAsTime) {
  TFIBDataSet& data = Edited();
  auto* field = dynamic_cast<TFIBIntegerField*>(data.FieldByName("I"));
  ASSERT_NE(field, nullptr);
  field->SetIsTimeField(true);
  field->SetAsInteger(3725);
  const char sep = FormatSettings().TimeSeparator;
  EXPECT_EQ(field->DisplayText(), std::string("01") + sep + "02");
  EXPECT_EQ(field->Text(), std::string("01") + sep + "02");
  std::string text;
  Variant value;
  field->ReadDisplay(text, &value);
  EXPECT_EQ(text, std::string("01") + sep + "02");
  EXPECT_EQ(value.AsInteger(), 3725);
  field->SetText(std::string("1") + sep + "2" + sep + "5");
  EXPECT_EQ(field->AsInteger(), 3725);
  EXPECT_TRUE(field->IsValidChar(sep));
  EXPECT_TRUE(field->AsBoolean());
  field->SetAsBoolean(false);
  EXPECT_EQ(field->AsInteger(), 0);
}

TEST_F(EditedFields, BooleanFieldReadsItsTexts) {
  TFIBDataSet& data = Edited();
  auto* field = dynamic_cast<TFIBBooleanField*>(data.FieldByName("BO"));
  ASSERT_NE(field, nullptr);
  field->SetAsString("0");
  EXPECT_FALSE(field->AsBoolean());
  EXPECT_EQ(field->AsString(), "False");
  field->SetAsString("TRUE");
  EXPECT_TRUE(field->AsBoolean());
  EXPECT_EQ(field->AsInteger(), 1);
  field->SetStringTrue(RU("Да"));
  EXPECT_EQ(field->AsString(), RU("Да"));
  EXPECT_TRUE(field->IsStringTrueStored());
  EXPECT_FALSE(field->IsStringFalseStored());
  field->SetAsString(RU("да"));
  EXPECT_TRUE(field->AsBoolean());
  EXPECT_TRUE(RaisedBy<EDatabaseError>([&] { field->SetAsString("yes"); }).Caught);
  field->SetAsInteger(7);
  EXPECT_EQ(field->AsVariant().VarType(), TVarType::Boolean);
  EXPECT_TRUE(field->AsVariant().AsBoolean());
}

TEST_F(EditedFields, BcdFieldWritesItsRawValue) {
  TFIBDataSet& data = Edited();
  auto* field = dynamic_cast<TFIBBCDField*>(data.FieldByName("N182"));
  ASSERT_NE(field, nullptr);
  field->SetRawValue(12345);
  EXPECT_EQ(field->AsString(), Dec("123.45"));
  EXPECT_EQ(field->AsCurrency().Value, 1234500);
  EXPECT_EQ(field->AsLargeInt(), 123);
  field->SetAsString(Dec("-92233720368547758.07"));
  std::int64_t raw = 0;
  ASSERT_TRUE(field->GetRawValue(raw));
  EXPECT_EQ(raw, -9223372036854775807LL);
  field->SetAsCurrency(TCurrency{12345678});  // 1234.5678 rounds to two places
  field->GetRawValue(raw);
  EXPECT_EQ(raw, 123457);
  TBcd bcd;
  Int64ToBcd(3, bcd, 1005);  // 1.005
  field->SetAsBCD(bcd);
  field->GetRawValue(raw);
  EXPECT_EQ(raw, 101);
  field->SetMinValue(TCurrency{0});
  field->SetMaxValue(TCurrency{1000000});
  field->SetAsCurrency(TCurrency{1000000});
  EXPECT_TRUE(RaisedBy<EDatabaseError>([&] { field->SetAsCurrency(TCurrency{1000100}); }).Caught);
  EXPECT_EQ(field->AsString(), Dec("100"));
  field->SetAsString("");
  EXPECT_TRUE(field->IsNull());
}

// A currency field shows its exact value in the currency format, rounded to
// the currency decimals; its edit text is the exact value, so that an edit
// left as it is writes back what was there.
struct CurrencyTextCase {
  const char* Column;
  const char* Set;  // a value written first, or nullptr for the stored one
  const char* Display;
  const char* Edit;
};

class CurrencyTexts : public EditedFields, public ::testing::WithParamInterface<CurrencyTextCase> {};

TEST_P(CurrencyTexts, ShowTheExactValueAndReadBackTheEditText) {
  TFormatSettings settings;
  settings.CurrencyString = "$";
  settings.NegCurrFormat = 1;
  const TFormatSettingsScope scope(settings);
  const CurrencyTextCase& c = GetParam();
  auto* field = dynamic_cast<TFIBBCDField*>(Edited().FieldByName(c.Column));
  ASSERT_NE(field, nullptr);
  field->SetCurrency(true);
  if (c.Set != nullptr) field->SetAsString(c.Set);
  std::int64_t before = 0, after = 0;
  ASSERT_TRUE(field->GetRawValue(before));
  EXPECT_EQ(field->DisplayText(), c.Display);
  EXPECT_EQ(field->Text(), c.Edit);
  field->SetText(field->Text());
  ASSERT_TRUE(field->GetRawValue(after));
  EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Values, CurrencyTexts,
    ::testing::Values(CurrencyTextCase{"N182", nullptr, "$12,345,678,901,234,567.89", "12345678901234567.89"},
                      CurrencyTextCase{"N184", nullptr, "$900,000,000,000,000.12", "900000000000000.1234"},
                      CurrencyTextCase{"N184", "-0.005", "-$0.01", "-0.005"},
                      CurrencyTextCase{"N182", "-1.25", "-$1.25", "-1.25"},
                      CurrencyTextCase{"N182", "3", "$3.00", "3.00"}));

TEST_F(EditedFields, FloatFieldRoundsToItsColumnScale) {
  TFIBDataSet& data = Edited();
  auto* field = dynamic_cast<TFIBFloatField*>(data.FieldByName("N92"));
  ASSERT_NE(field, nullptr);
  field->SetAsFloat(2.345678);
  EXPECT_DOUBLE_EQ(field->AsFloat(), 2.35);
  field->SetAsFloat(1.005);
  EXPECT_DOUBLE_EQ(field->AsFloat(), RoundFraction(1.005, 2));
  field->SetRoundByScale(false);
  field->SetAsFloat(2.345678);
  EXPECT_DOUBLE_EQ(field->AsFloat(), 2.345678);
  auto* plain = dynamic_cast<TFIBFloatField*>(data.FieldByName("D"));
  plain->SetAsFloat(2.345678);
  EXPECT_DOUBLE_EQ(plain->AsFloat(), 2.345678);
}

TEST_F(EditedFields, EmptyTextIsStoredAsNullWhenAsked) {
  TFIBDataSet& data = Edited();
  auto* field = dynamic_cast<TFIBStringField*>(data.FieldByName("V20"));
  ASSERT_NE(field, nullptr);
  EXPECT_TRUE(field->EmptyStrToNull());
  field->SetAsString("");
  EXPECT_TRUE(field->IsNull());
  field->SetEmptyStrToNull(false);
  field->SetAsString("");
  EXPECT_FALSE(field->IsNull());
  EXPECT_EQ(field->AsString(), "");
  field->SetAsString(RU("очень длинный текст больше двадцати"));
  EXPECT_EQ(field->AsString(), RU("очень длинный текст"));
  EXPECT_EQ(data.PendingUpdateCount(), 1);
  EXPECT_EQ(data.UpdateStatus(), usModified);
  data.Cancel();
  EXPECT_EQ(field->AsString(), RU("Ёлка"));
  EXPECT_EQ(data.FieldByName("N182")->AsString(), Dec("12345678901234567.89"));
}

// Writes go through check-edit-state: browsing (42), an edit that lost its
// update text (46), an insert that lost its insert text (44).
TEST_F(EditedFields, WritesOutsideAnAllowedEditAreRefused) {
  TFIBDataSet& data = Types();
  data.UpdateSQL().SetText("update TYPES set I = ?I where ID = ?OLD_ID");
  data.InsertSQL().SetText("insert into TYPES (ID) values (?ID)");
  data.Open();
  const auto write = [&] { return ClientErrorOf([&] { data.FieldByName("I")->SetAsInteger(1); }); };
  EXPECT_EQ(write(), ceNotInEditMode);
  data.Edit();
  data.UpdateSQL().Clear();
  EXPECT_EQ(write(), ceCannotUpdate);
  data.Cancel();
  data.Insert();
  data.InsertSQL().Clear();
  EXPECT_EQ(write(), ceCannotInsert);
  data.Cancel();
}

TEST(FloatFieldOutsideTheDataset, FloatWithUnknownScaleIsNotRounded) {
  TMemoryDataSet data(nullptr);
  data.FieldDefs().Add("X", ftFloat);
  TFIBFloatField field(nullptr);
  field.SetFieldName("X");
  field.SetDataSet(&data);
  data.Open();
  data.Append();
  field.SetAsFloat(1.2345);
  EXPECT_DOUBLE_EQ(field.AsFloat(), 1.2345);
  EXPECT_EQ(FieldColumnScale(&field), 100);
  data.Cancel();
  data.Close();
  field.SetDataSet(nullptr);
}

}  // namespace
