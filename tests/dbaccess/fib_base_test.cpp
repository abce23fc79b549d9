// The links of statements and datasets to their connection and transaction.

#include "dbaccess/connection/fib_base.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/transaction.h"
#include "tests/dbaccess/connection_fixture.h"
#include "tests/support/raised.h"

namespace {

using TLog = std::vector<std::string>;

// Records every notification of the link under the given name.
void Record(TFIBBase& link, TLog& log, const std::string& name = "") {
  const auto add = [&log, &link, name](const char* what) {
    return [&log, &link, name, what](TObject* sender) {
      EXPECT_EQ(sender, &link);
      log.push_back(name + what);
    };
  };
  link.OnDatabaseConnecting = add("DatabaseConnecting");
  link.OnDatabaseConnected = add("DatabaseConnected");
  link.OnDatabaseDisconnecting = add("DatabaseDisconnecting");
  link.OnDatabaseDisconnected = add("DatabaseDisconnected");
  link.OnDatabaseFreeing = add("DatabaseFreeing");
  link.OnTransactionEnding = add("TransactionEnding");
  link.OnTransactionEnded = add("TransactionEnded");
  link.OnTransactionStarting = add("TransactionStarting");
  link.OnTransactionStarted = add("TransactionStarted");
  link.OnTransactionFreeing = add("TransactionFreeing");
}

TEST_F(ConnectionTest, EveryNotificationArrivesInOrder) {
  auto db = std::make_unique<TFIBDatabase>(nullptr);
  db->SetDBName(DatabasePath());
  for (const std::string& line : ConnectionLines()) db->DBParams().Add(line);
  db->SetSynchronizeTime(false);
  auto tr = std::make_unique<TFIBTransaction>(nullptr);
  db->SetDefaultTransaction(tr.get());

  TFIBBase link(nullptr);
  TLog log;
  Record(link, log);
  link.SetDatabase(db.get());
  EXPECT_EQ(link.Transaction(), tr.get());

  db->SetConnected(true);
  tr->StartTransaction();
  tr->Commit();
  tr->StartTransaction();
  db->SetConnected(false);  // ends the transaction first
  tr.reset();
  EXPECT_EQ(link.Transaction(), nullptr);
  EXPECT_EQ(link.Database(), db.get());
  db.reset();
  EXPECT_EQ(link.Database(), nullptr);

  EXPECT_EQ(log, (TLog{"DatabaseConnecting", "DatabaseConnected", "TransactionStarting", "TransactionStarted",
                       "TransactionEnding", "TransactionEnded", "TransactionStarting", "TransactionStarted",
                       "TransactionEnding", "TransactionEnded", "DatabaseDisconnecting",
                       "DatabaseDisconnected", "TransactionFreeing", "DatabaseFreeing"}));
}

// Handlers that unlink links (their own or others, or free them) while the
// connection walks its list: every link still linked when its turn comes is
// told exactly once, and none is told after it left.
TEST_F(ConnectionTest, UnlinkingDuringAPassSkipsNoLinkAndRepeatsNone) {
  TFIBDatabase& db = NewDatabase("DB");
  std::vector<std::unique_ptr<TFIBBase>> links;
  for (int i = 0; i < 6; ++i) links.push_back(std::make_unique<TFIBBase>(nullptr));
  std::map<int, int> heard;
  for (int i = 0; i < 6; ++i) {
    links[i]->SetDatabase(&db);
    links[i]->OnDatabaseConnecting = [&heard, i](TObject*) { ++heard[i]; };
  }
  // 0 unlinks itself (the last link moves into its slot), 1 unlinks 4, 2 frees 5.
  links[0]->OnDatabaseConnecting = [&](TObject*) {
    ++heard[0];
    links[0]->SetDatabase(nullptr);
  };
  links[1]->OnDatabaseConnecting = [&](TObject*) {
    ++heard[1];
    links[4]->SetDatabase(nullptr);
  };
  links[2]->OnDatabaseConnecting = [&](TObject*) {
    ++heard[2];
    links[5].reset();
  };

  db.SetConnected(true);
  EXPECT_EQ(heard, (std::map<int, int>{{0, 1}, {1, 1}, {2, 1}, {3, 1}}));
  ASSERT_EQ(db.LinkCount(), 3);
  for (int i = 0; i < db.LinkCount(); ++i) EXPECT_EQ(db.Links(i)->IndexInDatabase(), i);
  db.SetConnected(false);
}

TEST_F(ConnectionTest, UnlinkingFromTheTransactionDuringAPassSkipsNoLink) {
  TFIBDatabase& db = NewDatabase("DB");
  TFIBTransaction& tr = NewTransaction("TR", &db);
  db.SetConnected(true);
  std::vector<std::unique_ptr<TFIBBase>> links;
  std::map<int, int> heard;
  for (int i = 0; i < 3; ++i) {
    links.push_back(std::make_unique<TFIBBase>(nullptr));
    links[i]->SetTransaction(&tr);
    links[i]->OnTransactionStarting = [&heard, &links, i](TObject*) {
      ++heard[i];
      links[i]->SetTransaction(nullptr);
    };
  }
  tr.StartTransaction();
  EXPECT_EQ(heard, (std::map<int, int>{{0, 1}, {1, 1}, {2, 1}}));
  EXPECT_EQ(tr.LinkCount(), 0);
  tr.Commit();
  db.SetConnected(false);
}

TEST_F(ConnectionTest, RemovingTheFirstOfThreeLinksMovesTheLastIntoItsSlot) {
  TFIBDatabase& db = NewDatabase("DB");
  TFIBTransaction& tr = NewTransaction("TR", &db);
  TFIBBase first(nullptr), second(nullptr), third(nullptr);
  for (TFIBBase* link : {&first, &second, &third}) link->SetTransaction(&tr);
  EXPECT_EQ(third.IndexInTransaction(), 2);
  EXPECT_EQ(third.IndexInDatabase(), 2);

  first.SetTransaction(nullptr);
  EXPECT_EQ(tr.Links(0), &third);
  EXPECT_EQ(third.IndexInTransaction(), 0);
  EXPECT_EQ(second.IndexInTransaction(), 1);
  EXPECT_EQ(tr.LinkCount(), 2);
  EXPECT_EQ(first.IndexInTransaction(), -1);
  // The connection's list is its own.
  EXPECT_EQ(db.LinkCount(), 3);
}

TEST_F(ConnectionTest, LinkFollowsItsTransactionToThatTransactionsConnection) {
  TFIBDatabase& here = NewDatabase("Here");
  TFIBDatabase& there = NewDatabase("There");
  TFIBTransaction& hereTR = NewTransaction("HereTR", &here);
  TFIBTransaction& thereTR = NewTransaction("ThereTR", &there);
  here.SetDefaultTransaction(&hereTR);

  TFIBBase link(nullptr);
  link.SetDatabase(&here);
  EXPECT_EQ(link.Transaction(), &hereTR);

  link.SetTransaction(&thereTR);
  EXPECT_EQ(link.Database(), &there);
  EXPECT_EQ(here.LinkCount(), 0);
  EXPECT_EQ(there.LinkCount(), 1);

  // A transaction spanning the link's connection leaves it where it is.
  hereTR.AddDatabase(&there);
  link.SetTransaction(&hereTR);
  EXPECT_EQ(link.Database(), &there);
}

TEST_F(ConnectionTest, ChecksNameTheLinksOwner) {
  auto* query = new TComponent(&Form());  // owned by the form
  query->SetName("Query1");
  TFIBBase link(query);
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { link.CheckDatabase(); }).Text(),
            "21 Database not assigned for MainForm.Query1.");
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { link.CheckTransaction(); }).Text(),
            "22 Transaction not assigned for MainForm.Query1.");
  TFIBBase anonymous(nullptr);
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { anonymous.TransactionHandle(); }).Text(),
            "22 Transaction not assigned for .");

  TFIBDatabase& db = NewDatabase("DB");
  TFIBTransaction& tr = NewTransaction("TR", &db);
  link.SetTransaction(&tr);
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { link.DatabaseHandle(); }).Text(),
            "12 MainForm.DB: Cannot perform operation -- DB is not open.");
  db.SetConnected(true);
  EXPECT_EQ(RaisedBy<EFIBClientError>([&] { link.TransactionHandle(); }).Text(),
            "15 Transaction is not active.");
  tr.StartTransaction();
  EXPECT_EQ(link.DatabaseHandle(), db.HandleAddress());
  EXPECT_EQ(link.TransactionHandle(), tr.HandleAddress());
  EXPECT_NE(*link.TransactionHandle(), 0u);
  tr.Commit();
  db.SetConnected(false);
}

}  // namespace
