// A detail dataset over HOME_PHONES following a master over STREETS on the
// embedded engine: its parameters from the master's record, reopening as the
// master scrolls, waiting for the master to stand still, the master closing,
// forced opening and master refresh, loops of masters, and the end-scroll
// timer.

#include <gtest/gtest.h>

#include <string>

#include "dbaccess/client/errors.h"
#include "dbaccess/dataset/fib_dataset.h"
#include "framework/core/data/data_source.h"
#include "framework/core/system/timer.h"
#include "tests/dbaccess/fib_dataset_fixture.h"
#include "tests/support/raised.h"

namespace {

class DetailTest : public DataSetTest {
 protected:
  void SetUp() override {
    DataSetTest::SetUp();
    ExecuteSQL("create table STREETS (STREET_ID integer not null, NAME varchar(20))");
    ExecuteSQL(
        "execute block as declare i integer = 0; begin"
        " while (i < 7) do begin insert into STREETS values (:i, 'Street ' || :i); i = i + 1; end end");
    FSaved = SetTimerScheduler(&Scheduler);
  }
  void TearDown() override {
    SetTimerScheduler(FSaved);
    DataSetTest::TearDown();
  }

  TFIBDataSet& NewMaster(const char* name = "fdsStreets") {
    TFIBDataSet& master = NewDataSet({"select STREET_ID, NAME from STREETS order by STREET_ID"}, name);
    MasterSource.SetDataSet(&master);
    return master;
  }

  // Homes of the master's street, found by a parameter of the given name.
  TFIBDataSet& NewDetail(const std::string& param = "STREET_ID", const char* name = "fdsHomes") {
    TFIBDataSet& detail = NewDataSet(
        {"select HOME_ID, STREET_ID from HOME_PHONES where STREET_ID = :" + param + " order by HOME_ID"}, name);
    detail.SetDataSource(&MasterSource);
    return detail;
  }

  // The street of every record of the detail, or -1 when they differ; the
  // number of records in count.
  static int DetailStreet(TFIBDataSet& detail, int& count) {
    int street = -2;
    count = 0;
    for (detail.First(); !detail.Eof(); detail.Next()) {
      const int value = detail.FieldByName("STREET_ID")->AsInteger();
      street = street == -2 || street == value ? value : -1;
      ++count;
    }
    detail.First();
    return street;
  }

  int HomesOf(int street) {
    return static_cast<int>(QueryInt64("select count(*) from HOME_PHONES where STREET_ID = " + std::to_string(street)));
  }

  TManualTimerScheduler Scheduler;
  TDataSource MasterSource{nullptr};

 private:
  TTimerScheduler* FSaved = nullptr;
};

class DetailParameter : public DetailTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DetailParameter, FollowsTheMastersRecord) {
  TFIBDataSet& master = NewMaster();
  TFIBDataSet& detail = NewDetail(GetParam());
  int opened = 0;
  detail.AfterOpen = [&](TDataSet*) { ++opened; };
  master.Open();
  detail.Open();
  EXPECT_EQ(detail.MasterDataSet(), &master);
  EXPECT_EQ(detail.DataSource(), &MasterSource);
  for (int street = 0; street < 7; ++street) {
    SCOPED_TRACE(street);
    ASSERT_EQ(master.FieldByName("STREET_ID")->AsInteger(), street);
    int count = 0;
    EXPECT_EQ(DetailStreet(detail, count), street);
    EXPECT_EQ(count, HomesOf(street));
    EXPECT_EQ(opened, street + 1);
    EXPECT_FALSE(detail.MasterParamsChanged());
    master.Next();
  }
  // Staying on the last record reopens nothing; going back does.
  EXPECT_EQ(opened, 7);
  master.First();
  EXPECT_EQ(opened, 8);
}

INSTANTIATE_TEST_SUITE_P(Names, DetailParameter, ::testing::Values("STREET_ID", "MAS_STREET_ID", "mas_STREET_ID"));

TEST_F(DetailTest, WaitsUntilTheMasterStandsStill) {
  TFIBDataSet& master = NewMaster();
  TFIBDataSet& detail = NewDetail();
  detail.SetDetailConditions(TDetailConditions{dcWaitEndMasterScroll});
  ASSERT_NE(detail.MasterRefreshTimer(), nullptr);
  EXPECT_EQ(detail.MasterRefreshTimer()->Interval(), 300);
  EXPECT_TRUE(detail.DetailConditions().Contains(dcWaitEndMasterScroll));
  EXPECT_EQ(detail.StoredBooleans(), (std::vector<std::pair<std::string, bool>>{{"WaitEndMasterScroll", true}}));
  master.Open();
  detail.Open();
  int count = 0;
  master.Next();
  Scheduler.Advance(200);
  master.Next();
  Scheduler.Advance(299);
  EXPECT_EQ(DetailStreet(detail, count), 0);
  Scheduler.Advance(1);
  EXPECT_EQ(DetailStreet(detail, count), 2);
  EXPECT_FALSE(detail.MasterRefreshTimer()->Running());
  // Firing the timer itself does what its tick does.
  master.Next();
  detail.MasterRefreshTimer()->Timer();
  EXPECT_EQ(DetailStreet(detail, count), 3);

  detail.SetDetailConditions(TDetailConditions{});
  EXPECT_EQ(detail.MasterRefreshTimer(), nullptr);
  EXPECT_FALSE(detail.DetailConditions().Contains(dcWaitEndMasterScroll));
  master.Next();
  EXPECT_EQ(DetailStreet(detail, count), 4);
}

TEST_F(DetailTest, ReadingTheStoredConditionMakesTheTimer) {
  TFIBDataSet& detail = NewDetail();
  EXPECT_TRUE(detail.ReadStoredBoolean("WaitEndMasterScroll", true));
  EXPECT_TRUE(detail.ReadStoredBoolean("dcForceOpen", true));
  EXPECT_NE(detail.MasterRefreshTimer(), nullptr);
  EXPECT_EQ(detail.DetailConditions(), (TDetailConditions{dcWaitEndMasterScroll, dcForceOpen}));
  EXPECT_TRUE(detail.ReadStoredBoolean("WaitEndMasterScroll", false));
  EXPECT_EQ(detail.MasterRefreshTimer(), nullptr);
}

TEST_F(DetailTest, ClosesWithItsMasterUnlessToldToStay) {
  for (const bool ignore : {false, true}) {
    SCOPED_TRACE(ignore);
    TFIBDataSet& master = NewMaster(ignore ? "fdsStreets1" : "fdsStreets0");
    TFIBDataSet& detail = NewDetail("STREET_ID", ignore ? "fdsHomes1" : "fdsHomes0");
    if (ignore) detail.SetDetailConditions(TDetailConditions{dcIgnoreMasterClose});
    master.Open();
    detail.Open();
    master.Close();
    EXPECT_EQ(detail.Active(), ignore);
    // Opening the master again brings the detail along only when it is open.
    master.Open();
    EXPECT_EQ(detail.Active(), ignore);
    detail.Close();
    master.Close();
  }
}

TEST_F(DetailTest, ForceOpenOpensAClosedDetailWithItsMaster) {
  for (const bool force : {false, true}) {
    SCOPED_TRACE(force);
    TFIBDataSet& master = NewMaster(force ? "fdsStreets1" : "fdsStreets0");
    TFIBDataSet& detail = NewDetail("STREET_ID", force ? "fdsHomes1" : "fdsHomes0");
    if (force) detail.SetDetailConditions(TDetailConditions{dcForceOpen});
    master.Open();
    EXPECT_EQ(detail.Active(), force);
    if (force) {
      int count = 0;
      EXPECT_EQ(DetailStreet(detail, count), 0);
    }
    detail.Close();
    master.Close();
  }
}

TEST_F(DetailTest, ForceMasterRefreshRefreshesTheMasterAfterTheDetail) {
  for (const bool force : {false, true}) {
    SCOPED_TRACE(force);
    TFIBDataSet& master = NewMaster(force ? "fdsStreets1" : "fdsStreets0");
    master.RefreshSQL().SetText("select STREET_ID, NAME from STREETS where STREET_ID = :STREET_ID");
    TFIBDataSet& detail = NewDetail("STREET_ID", force ? "fdsHomes1" : "fdsHomes0");
    // The refresh text names the master key as the select does.
    detail.RefreshSQL().SetText(
        "select HOME_ID, STREET_ID from HOME_PHONES where HOME_ID = :HOME_ID and STREET_ID = :STREET_ID");
    if (force) detail.SetDetailConditions(TDetailConditions{dcForceMasterRefresh});
    int masterRefreshed = 0;
    master.AfterRefresh = [&](TDataSet*) { ++masterRefreshed; };
    master.Open();
    detail.Open();
    master.Next();
    detail.Next();
    const int home = detail.FieldByName("HOME_ID")->AsInteger();
    detail.Refresh();
    EXPECT_EQ(detail.FieldByName("HOME_ID")->AsInteger(), home);
    EXPECT_EQ(detail.FieldByName("STREET_ID")->AsInteger(), 1);
    EXPECT_EQ(masterRefreshed, force ? 1 : 0);
    detail.Close();
    master.Close();
  }
}

TEST_F(DetailTest, AMasterLinkLeadingBackIsRefused) {
  TFIBDataSet& master = NewMaster();
  TFIBDataSet& detail = NewDetail();
  TDataSource detailSource(nullptr);
  detailSource.SetDataSet(&detail);
  EXPECT_EQ(ClientErrorOf([&] { master.SetDataSource(&detailSource); }), ceCircularReference);
  EXPECT_EQ(ClientErrorOf([&] { detail.SetDataSource(&detailSource); }), ceCircularReference);
  EXPECT_EQ(master.DataSource(), nullptr);
  EXPECT_EQ(detail.DataSource(), &MasterSource);
  detailSource.SetDataSet(nullptr);
}

TEST_F(DetailTest, EndScrollComesWhenScrollingStops) {
  TFIBDataSet& master = NewMaster();
  int ended = 0;
  master.OnEndScroll = [&](TDataSet* dataSet) {
    EXPECT_EQ(dataSet, &master);
    ++ended;
  };
  master.Open();
  master.Next();
  ASSERT_NE(master.EndScrollTimer(), nullptr);
  EXPECT_EQ(master.EndScrollTimer()->Interval(), 300);
  Scheduler.Advance(250);
  master.Next();
  Scheduler.Advance(299);
  EXPECT_EQ(ended, 0);
  Scheduler.Advance(1);
  EXPECT_EQ(ended, 1);
  Scheduler.Advance(1000);
  EXPECT_EQ(ended, 1);
  master.OnEndScroll = nullptr;
  master.Next();
  EXPECT_EQ(master.EndScrollTimer(), nullptr);
}

}  // namespace
