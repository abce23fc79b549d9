// The dataset container with in-memory datasets standing in for the
// application's datasets.

#include "dbaccess/dataset/datasets_container.h"

#include <gtest/gtest.h>

#include <memory>

#include "framework/core/data/memory_dataset.h"
#include "framework/core/component/strings.h"

namespace {

// An in-memory dataset that takes user events and writes them down.
class ReceivingDataSet : public TMemoryDataSet, public TUserEventReceiver {
 public:
  explicit ReceivingDataSet(TComponent* owner, const std::string& name = "") : TMemoryDataSet(owner) {
    if (!name.empty()) SetName(name);
  }
  TStringList Accepted;
  std::vector<std::string> Received;
  const TStrings& ReceiveEvents() const override { return Accepted; }
  void ReceiveUserEvent(TObject*, const std::string& eventName, std::string& info) override {
    Received.push_back(eventName);
    info += Name() + ";";
  }
};

class Form : public TComponent {
 public:
  explicit Form(const std::string& name) : TComponent(nullptr) { SetName(name); }
};

TEST(DataSetsContainer, ChainsThatWouldCloseIntoARingAreRefused) {
  TDataSetsContainer a(nullptr), b(nullptr), c(nullptr);
  try {
    a.SetMasterContainer(&a);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Circular link is not allowed.");
  }
  EXPECT_EQ(a.MasterContainer(), nullptr);
  a.SetMasterContainer(&b);
  b.SetMasterContainer(&c);
  EXPECT_THROW(c.SetMasterContainer(&a), Exception);
  EXPECT_EQ(c.MasterContainer(), nullptr);
  EXPECT_EQ(a.MasterContainer(), &b);
}

TEST(DataSetsContainer, MastersHearEventsFirstAndInactiveContainersOnlyPassThemOn) {
  TDataSetsContainer master(nullptr), sub(nullptr);
  sub.SetMasterContainer(&master);
  TMemoryDataSet data(nullptr);
  sub.Register(&data);
  std::vector<std::string> heard;
  master.OnDataSetEvent = [&](TDataSet* dataSet, TKindDataSetEvent event) {
    EXPECT_EQ(dataSet, &data);
    heard.push_back("master " + std::to_string(event));
  };
  sub.OnDataSetEvent = [&](TDataSet*, TKindDataSetEvent event) {
    heard.push_back("sub " + std::to_string(event));
  };
  sub.DataSetEvent(&data, deAfterPost);
  EXPECT_EQ(heard, std::vector<std::string>({"master 9", "sub 9"}));
  heard.clear();
  sub.SetActive(false);
  sub.DataSetEvent(&data, deBeforeScroll);
  EXPECT_EQ(heard, std::vector<std::string>({"master 14"}));

  std::vector<std::string> errors;
  master.OnDataSetError = [&](TDataSet*, TKindDataSetError, EDatabaseError&, TDataAction& action) {
    errors.push_back("master");
    action = daRetry;
  };
  sub.SetActive(true);
  sub.OnDataSetError = [&](TDataSet*, TKindDataSetError kind, EDatabaseError& e, TDataAction& action) {
    errors.push_back("sub " + e.Message() + " " + std::to_string(action));
    EXPECT_EQ(kind, deOnPostError);
  };
  EDatabaseError error("lost");
  TDataAction action = daFail;
  sub.DataSetError(&data, deOnPostError, error, action);
  EXPECT_EQ(errors, std::vector<std::string>({"master", "sub lost 2"}));
  EXPECT_EQ(action, daRetry);

  std::string info;
  master.OnUserEvent = [&](TObject*, TDataSet* receiver, const std::string& name, std::string& text) {
    EXPECT_EQ(receiver, &data);
    text += "master:" + name;
  };
  sub.UserEvent(nullptr, &data, "PING", info);
  EXPECT_EQ(info, "master:PING");
}

TEST(DataSetsContainer, RegistrationReachesEveryMasterAndFollowsAChangeOfMaster) {
  TDataSetsContainer top(nullptr), middle(nullptr), sub(nullptr), other(nullptr);
  middle.SetMasterContainer(&top);
  sub.SetMasterContainer(&middle);
  TMemoryDataSet one(nullptr), two(nullptr);
  sub.Register(&one);
  sub.Register(&one);
  sub.Register(&two);
  EXPECT_EQ(sub.Count(), 2);
  EXPECT_EQ(middle.Count(), 2);
  EXPECT_EQ(top.Count(), 2);
  sub.Unregister(&two);
  EXPECT_EQ(top.Count(), 1);
  sub.SetMasterContainer(&other);
  EXPECT_EQ(middle.Count(), 0);
  EXPECT_EQ(top.Count(), 0);
  EXPECT_EQ(other.Count(), 1);
  EXPECT_EQ(other.Items(0), &one);
  EXPECT_THROW(other.Items(1), EListError);
}

TEST(DataSetsContainer, DestroyedDatasetsAndMastersAreForgotten) {
  TDataSetsContainer sub(nullptr);
  auto master = std::make_unique<TDataSetsContainer>(nullptr);
  sub.SetMasterContainer(master.get());
  auto data = std::make_unique<TMemoryDataSet>(nullptr);
  sub.Register(data.get());
  data.reset();
  EXPECT_EQ(sub.Count(), 0);
  EXPECT_EQ(master->Count(), 0);
  master.reset();
  EXPECT_EQ(sub.MasterContainer(), nullptr);
  TMemoryDataSet later(nullptr);
  sub.Register(&later);
  EXPECT_EQ(sub.Count(), 1);
}

TEST(DataSetsContainer, BroadcastReachesTheMatchingReceiversThatAcceptTheEvent) {
  Form form("MainForm");
  auto* home = new ReceivingDataSet(&form, "fdsHome");
  auto* org = new ReceivingDataSet(&form, "fdsOrg");
  org->Accepted.Add("REFRESH*");
  ReceivingDataSet loose(nullptr, "fdsLoose");
  TMemoryDataSet silent(nullptr);
  TDataSetsContainer container(nullptr);
  container.Register(home);
  container.Register(&silent);
  container.Register(org);
  container.Register(&loose);

  std::string info;
  container.Broadcast(nullptr, "", "RefreshAll", info);
  EXPECT_EQ(info, "fdsHome;fdsOrg;fdsLoose;");
  info.clear();
  container.Broadcast(nullptr, "", "Other", info);
  EXPECT_EQ(info, "fdsHome;fdsLoose;");
  info.clear();
  container.Broadcast(nullptr, "mainform.fds*", "Refresh", info);
  EXPECT_EQ(info, "fdsHome;fdsOrg;");
  info.clear();
  container.Broadcast(nullptr, "*.fdsOrg", "Refresh", info);
  EXPECT_EQ(info, "fdsOrg;");
}

TEST(DataSetsContainer, ADatasetWithoutOwnerIsMatchedByAnEmptyOwnerName) {
  ReceivingDataSet loose(nullptr, "fdsLoose");
  TDataSetsContainer container(nullptr);
  container.Register(&loose);
  std::string info;
  container.Broadcast(nullptr, ".FDSLOOSE", "Refresh", info);
  EXPECT_EQ(info, "fdsLoose;");
  info.clear();
  container.Broadcast(nullptr, "MainForm.*", "Refresh", info);
  EXPECT_EQ(info, "");
}

}  // namespace
