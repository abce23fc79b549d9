// The record count the application dataset asks of the server: for every
// shape of select it counts the rows the select returns, it sees the
// values of parameters and macros as the select will send them, and asking
// it never keeps the select from sending its own new text.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/statement/query.h"
#include "framework/core/text/text.h"
#include "tests/dbaccess/pfib_dataset_fixture.h"
#include "tests/support/raised.h"

namespace {

struct CountCase {
  const char* Name;
  const char* Select;
  // Values for the select's parameters and macros, by position.
  std::vector<Variant> Values;
};

void PrintTo(const CountCase& c, std::ostream* os) { *os << c.Name; }

class ServerCount : public ProgramDataSetTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(ServerCount, IsTheNumberOfRowsTheSelectReturns) {
  const CountCase& c = GetParam();
  TpFIBDataSet& data = NewDataSet({c.Select}, "fdsCount");
  data.SetPrepareOptions(data.PrepareOptions() + psAskRecordCount);
  data.OpenWithParams(std::span<const Variant>(c.Values));
  const int asked = data.ServerRecordCount();
  // Known before the rows are fetched.
  EXPECT_EQ(data.RecordCount(), asked);
  int rows = 0;
  for (data.First(); !data.Eof(); data.Next()) ++rows;
  EXPECT_EQ(asked, rows);
  EXPECT_EQ(data.AskRecordCount(), rows);
  EXPECT_GT(rows, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Selects, ServerCount,
    ::testing::Values(
        CountCase{"Plain", "select HOME_ID, NAME from HOME_PHONES where BUILD < 10", {}},
        CountCase{"Distinct", "select distinct STREET_ID from HOME_PHONES", {}},
        CountCase{"DistinctTwoColumns", "select distinct STREET_ID, CORP from HOME_PHONES", {}},
        CountCase{"GroupBy", "select STREET_ID, count(*) from HOME_PHONES group by STREET_ID", {}},
        CountCase{"GroupByHaving",
                  "select BUILD, count(*) from HOME_PHONES group by BUILD having count(*) > 3", {}},
        CountCase{"Union",
                  "select ORG_ID from ORG_PHONES where ORG_ID < 5 union select HOME_ID from HOME_PHONES"
                  " where HOME_ID < 10",
                  {}},
        CountCase{"UnionAll",
                  "select ORG_ID from ORG_PHONES where ORG_ID < 5 union all select HOME_ID from HOME_PHONES"
                  " where HOME_ID < 10",
                  {}},
        CountCase{"FirstSkip", "select first 5 skip 3 HOME_ID from HOME_PHONES order by HOME_ID", {}},
        CountCase{"FirstBeyondTheEnd", "select first 50 skip 120 HOME_ID from HOME_PHONES", {}},
        CountCase{"Rows", "select HOME_ID from HOME_PHONES order by HOME_ID rows 11 to 20", {}},
        CountCase{"Aggregate", "select count(*), max(HOME_ID) from HOME_PHONES", {}},
        CountCase{"Join",
                  "select H.HOME_ID, O.ORG_ID from HOME_PHONES H join ORG_PHONES O on O.ORG_ID = H.HOME_ID"
                  " where H.BUILD = ?B",
                  {Variant(7)}},
        CountCase{"Parameter", "select HOME_ID from HOME_PHONES where STREET_ID = :S and BUILD > :B",
                  {Variant(3), Variant(20)}},
        CountCase{"Macro", "select HOME_ID from HOME_PHONES where @@where%0=1@", {Variant("BUILD in (5, 6)")}},
        CountCase{"NullParameter", "select HOME_ID from HOME_PHONES where CORP = :C", {Variant::Null()}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ProgramDataSetTest, TheCountNeverKeepsTheSelectFromSendingItsNewText) {
  Home().SetPrepareOptions(Home().PrepareOptions() + psAskRecordCount);
  Home().OpenWithParams({Variant("BUILD = 7")});
  EXPECT_EQ(Home().ServerRecordCount(), 4);
  Home().Close();
  Home().OpenWithParams({Variant("BUILD = 8 or BUILD = 9")});
  EXPECT_EQ(Home().ServerRecordCount(), 8);
  std::vector<int> builds;
  for (Home().First(); !Home().Eof(); Home().Next()) builds.push_back(Home().FieldByName("BUILD")->AsInteger());
  EXPECT_EQ(builds.size(), 8u);
  for (int build : builds) EXPECT_TRUE(build == 8 || build == 9) << build;
  // A null parameter is a different text as well.
  TpFIBDataSet& data = NewDataSet({"select HOME_ID from HOME_PHONES where CORP = :C"}, "fdsCorp");
  data.SetPrepareOptions(data.PrepareOptions() + psAskRecordCount);
  data.OpenWithParams({Variant(RU("а"))});
  EXPECT_EQ(data.ServerRecordCount(), HomeRows - HomeRows / 5);
  data.Close();
  data.OpenWithParams({Variant::Null()});
  EXPECT_EQ(data.ServerRecordCount(), HomeRows / 5);
  data.Last();
  EXPECT_EQ(data.RecNo(), HomeRows / 5);
}

TEST_F(ProgramDataSetTest, TheCountStatementMayComeFromTheHandler) {
  Home().SetPrepareOptions(Home().PrepareOptions() + psAskRecordCount);
  Home().OnAskRecordCount = [](TFIBDataSet*, std::string& text) {
    text = "select count(*) from HOME_PHONES where @@where%0=1@";
  };
  Home().OpenWithParams({Variant("HOME_ID <= 12")});
  EXPECT_EQ(Home().ServerRecordCount(), 12);
  Home().Close();
  Home().OnAskRecordCount = [](TFIBDataSet*, std::string& text) { text = "select count(*) from NO_SUCH_TABLE"; };
  EXPECT_EQ(MessageOf<Exception>([&] { Home().OpenWithParams({Variant("HOME_ID <= 12")}); }),
            "MainForm.fdsHome unable to get number of records");
  EXPECT_FALSE(Home().Active());
}

TEST_F(ProgramDataSetTest, WithoutTheOptionNothingIsCounted) {
  Home().OpenWithParams({Variant("HOME_ID <= 12")});
  EXPECT_EQ(Home().ServerRecordCount(), 0);
  EXPECT_EQ(Home().AskRecordCount(), 12);
}

}  // namespace
