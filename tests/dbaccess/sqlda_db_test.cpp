// The descriptor against the embedded engine: values written through the
// variables' writers come back unchanged through their readers, for every
// column type, with and without null, in both SQL dialects.

#include <gtest/gtest.h>

#include "dbaccess/util/number_text.h"
#include "framework/core/text/datetime.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/db_fixture.h"
#include "tests/dbaccess/sqlda_fixture.h"

namespace {

class SqldaOnServer : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    ExecuteSQL(
        "create table ALL_TYPES (ID integer not null primary key, SM smallint, I integer, BI bigint,"
        " N92 numeric(9,2), N184 numeric(18,4), D182 decimal(18,2), N41 numeric(4,1), F float,"
        " DP double precision, C char(10), VC varchar(40), DT date, TM time, TS timestamp,"
        " B boolean, BT blob sub_type text, BB blob sub_type 0)");
  }

  TFormatSettingsScope FRussian{TFormatSettings::Russian()};
};

const char* const Columns = "SM, I, BI, N92, N184, D182, N41, F, DP, C, VC, DT, TM, TS, B, BT, BB";

TEST_F(SqldaOnServer, EveryColumnTypeRoundTrips) {
  TRawDatabase db(DatabasePath());
  db.Start();
  TTestSQLDAOwner owner;
  owner.Place = db.Place();
  TFIBXSQLDA params(&owner, true), fields(&owner, false);

  const TDateTime day = EncodeDate(2024, 2, 29);
  const TDateTime time = EncodeTime(13, 45, 7, 123);
  const std::string cyrillic = RU("Ёлка и ёжик");
  const std::string longText(40000, 'x');
  TBcd bcd;
  Int64ToBcd(2, bcd, -123456789012345678);
  {
    TRawStatement insert(db,
                         std::string("insert into ALL_TYPES (ID, ") + Columns +
                             ") values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                         3, params, fields);
    params[0].SetAsInteger(1);
    params[1].SetAsInteger(-32768);
    params[2].SetAsVariant(Variant(2147483647));
    params[3].SetAsVariant(Variant(std::int64_t{-9223372036854775807}));
    params[4].SetAsString("1234567,89");
    params[5].SetAsCurrency(TCurrency{-9223372036854775807});
    params[6].SetAsBcd(bcd);
    params[7].SetAsExtended(-12.34L);
    params[8].SetAsDouble(0.5);
    params[9].SetAsDouble(1.0 / 3.0);
    params[10].SetAsString(RU("Ёж"));
    params[11].SetAsString(cyrillic);
    params[12].SetAsDate(day + time);
    params[13].SetAsTime(time);
    params[14].SetAsDateTime(day + time);
    params[15].SetAsBoolean(true);
    params[16].SetAsString(longText);
    params[17].SetAsString(std::string("\0\1\2", 3));
    insert.Execute();
    EXPECT_EQ(params[16].SQLType(), SQLTypeBlob);

    // A row of nulls, some set by variant.
    params[0].SetAsInteger(2);
    for (int i = 1; i < params.Count(); ++i) {
      if (i % 2 == 0)
        params[i].SetIsNull(true);
      else
        params[i].SetAsVariant(Variant::Null());
    }
    insert.Execute();
  }
  {
    TRawStatement select(db, std::string("select ID, ") + Columns + " from ALL_TYPES order by ID", 3, params,
                         fields);
    select.Execute();
    ASSERT_TRUE(select.Fetch());
    EXPECT_EQ(fields.ByName("SM")->AsInteger(), -32768);
    EXPECT_EQ(fields.ByName("I")->AsVariant(), Variant(2147483647));
    EXPECT_EQ(fields.ByName("BI")->AsVariant().VarType(), TVarType::Int64);
    EXPECT_EQ(fields.ByName("BI")->AsInt64(), -9223372036854775807);
    EXPECT_EQ(fields.ByName("N92")->AsString(), "1234567,89");
    EXPECT_EQ(fields.ByName("N92")->AsCurrency().Value, 12345678900);
    EXPECT_EQ(fields.ByName("N184")->AsCurrency().Value, -9223372036854775807);
    EXPECT_EQ(fields.ByName("N184")->AsString(), "-922337203685477,5807");
    EXPECT_EQ(BcdToTextDot(fields.ByName("D182")->AsBcd()), "-1234567890123456.78");
    EXPECT_EQ(fields.ByName("N41")->AsString(), "-12,3");
    EXPECT_EQ(fields.ByName("N41")->SQLScale(), -1);
    EXPECT_EQ(fields.ByName("F")->AsDouble(), 0.5);
    EXPECT_EQ(fields.ByName("DP")->AsDouble(), 1.0 / 3.0);
    EXPECT_EQ(fields.ByName("C")->AsString(), RU("Ёж        "));
    owner.Trim = true;
    EXPECT_EQ(fields.ByName("C")->AsString(), RU("Ёж"));
    owner.Trim = false;
    EXPECT_EQ(fields.ByName("VC")->AsString(), cyrillic);
    EXPECT_EQ(fields.ByName("DT")->AsDateTime(), day);
    EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", fields.ByName("TM")->AsDateTime()), "13:45:07.123");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", fields.ByName("TS")->AsDateTime()),
              "2024-02-29 13:45:07.123");
    EXPECT_TRUE(fields.ByName("B")->AsBoolean());
    EXPECT_EQ(fields.ByName("B")->ServerSQLType(), SQLTypeBoolean1);
    EXPECT_EQ(fields.ByName("BT")->AsString(), longText);
    EXPECT_EQ(fields.ByName("BB")->AsString(), std::string("\0\1\2", 3));
    for (int i = 0; i < fields.Count(); ++i) EXPECT_FALSE(fields[i].IsNull()) << fields[i].Name();

    ASSERT_TRUE(select.Fetch());
    EXPECT_EQ(fields.ByName("ID")->AsInteger(), 2);
    for (int i = 1; i < fields.Count(); ++i) {
      EXPECT_TRUE(fields[i].IsNull()) << fields[i].Name();
      EXPECT_TRUE(fields[i].AsVariant().IsNull()) << fields[i].Name();
    }
    EXPECT_FALSE(select.Fetch());
  }
  db.Commit();
}

TEST_F(SqldaOnServer, DatesInDialectOneAreTimeStamps) {
  const std::string path = CreateDatabase("dialect1.fdb", 1);
  TRawDatabase db(path);
  db.Start();
  TTestSQLDAOwner owner;
  owner.Dialect = 1;
  TFIBXSQLDA params(&owner, true), fields(&owner, false);
  {
    TRawStatement create(db, "create table D1 (ID integer, D date)", 1, params, fields);
    create.Execute();
    db.Commit();
    db.Start();
  }
  const TDateTime day = EncodeDate(1999, 12, 31);
  const TDateTime time = EncodeTime(23, 59, 58, 0);
  {
    TRawStatement insert(db, "insert into D1 (ID, D) values (?, ?)", 1, params, fields);
    EXPECT_EQ(params[1].ServerSQLType(), SQLTypeTimeStamp);
    params[0].SetAsInteger(1);
    params[1].SetAsDate(day + time);
    EXPECT_EQ(params[1].SQLType(), SQLTypeTimeStamp);
    insert.Execute();
    params[0].SetAsInteger(2);
    params[1].SetAsDateTime(day);
    EXPECT_EQ(params[1].SQLType(), SQLTypeTimeStamp);
    insert.Execute();
    params[0].SetAsInteger(3);
    params[1].SetAsDateTime(day + time);
    insert.Execute();
  }
  {
    TRawStatement select(db, "select D from D1 order by ID", 1, params, fields);
    select.Execute();
    const TDateTime expected[] = {day, day, day + time};
    for (TDateTime value : expected) {
      ASSERT_TRUE(select.Fetch());
      EXPECT_EQ(fields[0].ServerSQLType(), SQLTypeTimeStamp);
      EXPECT_NEAR(fields[0].AsDateTime(), value, 1e-9);
    }
  }
  db.Commit();
}

TEST_F(SqldaOnServer, BlobContentMovesToAndFromText) {
  TRawDatabase db(DatabasePath());
  db.Start();
  TTestSQLDAOwner owner;
  owner.Place = db.Place();
  TFIBXSQLDA params(&owner, true), fields(&owner, false);
  const std::string text = RU("Текст блоба");
  {
    TRawStatement insert(db, "insert into ALL_TYPES (ID, VC, BT) values (?, ?, ?)", 3, params, fields);
    TFIBXSQLDA source(&owner, true);
    source.SetCount(1);
    source[0].SetAsString(text);
    params[0].SetAsInteger(1);
    params[1].SetAsString("plain");
    // A text variable assigned to a blob parameter becomes a blob.
    params[2].SetAsQuad(TISCQuad{});
    params[2].Assign(source[0]);
    EXPECT_EQ(params[2].SQLType(), SQLTypeBlob);
    insert.Execute();
  }
  {
    TRawStatement select(db, "select BT, VC from ALL_TYPES", 3, params, fields);
    select.Execute();
    ASSERT_TRUE(select.Fetch());
    EXPECT_EQ(fields[0].AsString(), text);
    // A blob column assigned to a text variable gives its content as text.
    TFIBXSQLDA target(&owner, true);
    target.SetCount(1);
    target[0].SetAsInteger(0);
    target[0].Assign(fields[0]);
    EXPECT_EQ(target[0].SQLType(), SQLTypeText);
    EXPECT_EQ(target[0].AsString(), text);
  }
  db.Commit();
}

TEST_F(SqldaOnServer, ParameterOfIsNullTakesAnyValue) {
  TRawDatabase db(DatabasePath());
  db.Start();
  TTestSQLDAOwner owner;
  TFIBXSQLDA params(&owner, true), fields(&owner, false);
  {
    TRawStatement insert(db, "insert into ALL_TYPES (ID) values (1)", 3, params, fields);
    insert.Execute();
  }
  TRawStatement select(db, "select ID from ALL_TYPES where ? is null", 3, params, fields);
  EXPECT_EQ(params[0].ServerSQLType(), SQLTypeNull);
  params[0].SetIsNull(true);
  select.Execute();
  EXPECT_TRUE(select.Fetch());
  params[0].SetAsString("x");
  select.Execute();
  EXPECT_FALSE(select.Fetch());
}

}  // namespace
