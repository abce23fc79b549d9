// The transaction component on the embedded engine.

#include "dbaccess/connection/transaction.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "dbaccess/connection/database.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/connection/fib_base.h"
#include "tests/dbaccess/connection_fixture.h"
#include "tests/support/raised.h"

namespace {

class TransactionTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    ExecuteSQL("CREATE TABLE T (ID INTEGER)");
    MakeConnection(false);
    FDB->SetConnected(true);
  }

  // Rows of T seen by a fresh transaction of the connection.
  std::int64_t Rows(TFIBDatabase& database) {
    TFIBTransaction& reader = NewTransaction("", &database);
    reader.StartTransaction();
    const std::int64_t rows = Query(database, reader, "SELECT COUNT(*) FROM T");
    reader.Commit();
    return rows;
  }

  TFIBDatabase& DB() { return *FDB; }
  TFIBTransaction& TR() { return *FTR; }
};

TEST_F(TransactionTest, StartsCommitsAndRollsBackOverTwoConnections) {
  TFIBDatabase& other = NewDatabase("Other", CreateDatabase("other.fdb"));
  other.SetConnected(true);
  {
    TFIBTransaction& ddl = NewTransaction("DDL", &other);
    ddl.StartTransaction();
    Execute(other, ddl, "CREATE TABLE T (ID INTEGER)");
    ddl.Commit();
  }
  EXPECT_EQ(TR().AddDatabase(&other), 1);
  EXPECT_EQ(TR().AddDatabase(&other), 1);  // listed once
  EXPECT_GE(other.FindTransaction(&TR()), 0);

  TR().StartTransaction();
  EXPECT_TRUE(TR().Active());
  EXPECT_EQ(TR().TransactionState(), tsActive);
  Execute(DB(), TR(), "INSERT INTO T VALUES (1)");
  Execute(other, TR(), "INSERT INTO T VALUES (2)");
  TR().Commit();
  EXPECT_FALSE(TR().Active());
  EXPECT_EQ(TR().TransactionState(), tsInactive);
  EXPECT_EQ(Rows(DB()), 1);
  EXPECT_EQ(Rows(other), 1);

  TR().StartTransaction();
  Execute(DB(), TR(), "INSERT INTO T VALUES (3)");
  Execute(other, TR(), "INSERT INTO T VALUES (4)");
  TR().Rollback();
  EXPECT_FALSE(TR().Active());
  EXPECT_EQ(Rows(DB()), 1);
  EXPECT_EQ(Rows(other), 1);

  // The active flag starts and rolls back as well.
  TR().SetActive(true);
  Execute(other, TR(), "INSERT INTO T VALUES (5)");
  TR().SetActive(false);
  EXPECT_EQ(Rows(other), 1);
}

// What the links see while the transaction ends, and what stays afterwards.
struct TEndCase {
  const char* Name;
  TTransactionAction Action;
  TTransactionState During;
  bool StaysActive;
  std::int64_t Rows;
};
void PrintTo(const TEndCase& c, std::ostream* os) { *os << c.Name; }

class EndingTransaction : public TransactionTest, public ::testing::WithParamInterface<TEndCase> {};

TEST_P(EndingTransaction, ShowsItsStateToTheLinks) {
  TFIBBase link(nullptr);
  link.SetTransaction(&TR());
  std::vector<int> states;
  link.OnTransactionEnding = [&](TObject*) { states.push_back(TR().TransactionState()); };
  link.OnTransactionEnded = [&](TObject*) { states.push_back(TR().TransactionState()); };

  TR().StartTransaction();
  Execute(DB(), TR(), "INSERT INTO T VALUES (1)");
  TR().EndTransaction(GetParam().Action, false);
  EXPECT_EQ(states, (std::vector<int>{GetParam().During, GetParam().During}));
  EXPECT_EQ(TR().Active(), GetParam().StaysActive);
  EXPECT_EQ(TR().TransactionState(), GetParam().StaysActive ? tsActive : tsInactive);
  if (TR().Active()) TR().Rollback();  // what was retained stays as it was
  EXPECT_EQ(Rows(DB()), GetParam().Rows);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, EndingTransaction,
    ::testing::Values(TEndCase{"Commit", TACommit, tsDoCommit, false, 1},
                      TEndCase{"CommitRetaining", TACommitRetaining, tsDoCommitRetaining, true, 1},
                      TEndCase{"Rollback", TARollback, tsDoRollback, false, 0},
                      TEndCase{"RollbackRetaining", TARollbackRetaining, tsDoRollbackRetaining, true, 0}),
    [](const auto& info) { return info.param.Name; });

TEST_F(TransactionTest, RetainedTransactionKeepsWorking) {
  TR().StartTransaction();
  Execute(DB(), TR(), "INSERT INTO T VALUES (1)");
  TR().CommitRetaining();
  Execute(DB(), TR(), "INSERT INTO T VALUES (2)");
  TR().RollbackRetaining();
  EXPECT_EQ(Query(DB(), TR(), "SELECT COUNT(*) FROM T"), 1);
  TR().Commit();
  EXPECT_EQ(QueryInt64("SELECT COUNT(*) FROM T"), 1);
}

TEST_F(TransactionTest, MisuseRaisesTheNumberedClientErrors) {
  EXPECT_EQ(ClientErrorOf([&] { TR().Commit(); }), ceNotInTransaction);
  EXPECT_EQ(ClientErrorOf([&] { TR().EnsureActive(); }), ceNotInTransaction);
  EXPECT_EQ(ClientErrorOf([&] { TR().SetTimeout(-5); }), ceTimeoutNegative);
  TFIBTransaction& lonely = NewTransaction("Lonely", nullptr);
  EXPECT_EQ(ClientErrorOf([&] { lonely.StartTransaction(); }), ceNoDatabasesInTransaction);
  TFIBDatabase& closed = NewDatabase("Closed");
  TFIBTransaction& unconnected = NewTransaction("Unconnected", &closed);
  EXPECT_EQ(ClientErrorOf([&] { unconnected.StartTransaction(); }), ceDatabaseClosed);
  EXPECT_FALSE(unconnected.Active());

  TR().StartTransaction();
  EXPECT_EQ(ClientErrorOf([&] { TR().StartTransaction(); }), ceInTransaction);
  EXPECT_EQ(ClientErrorOf([&] { TR().EnsureInactive(); }), ceInTransaction);
  EXPECT_EQ(ClientErrorOf([&] { TR().SetDefaultDatabase(&closed); }), ceInTransaction);
  EXPECT_EQ(ClientErrorOf([&] { TR().TRParams().Add("read"); }), ceInTransaction);
  EXPECT_EQ(TR().TRParams().Count(), 0);
  TR().Commit();
}

TEST_F(TransactionTest, BadParameterLineFailsEveryStartUntilItIsMended) {
  TR().TRParams().Add("write");
  TR().StartTransaction();
  TR().Commit();
  TR().TRParams().Add("no_such_item");
  // The block of the first start must not stand in for the new lines.
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      TR().StartTransaction();
      ADD_FAILURE() << "started with a bad line, attempt " << attempt;
      TR().Rollback();
    } catch (const EFIBClientError& e) {
      EXPECT_EQ(e.SQLCode(), ceTPBConstantUnknown);
      EXPECT_EQ(e.Message(), "TPB Constant (no_such_item) is unknown.");
    }
  }
  TR().TRParams().Delete(1);
  TR().StartTransaction();
  EXPECT_TRUE(TR().Active());
  TR().Commit();
}

TEST_F(TransactionTest, ParameterLinesReachTheServer) {
  for (const char* line : {"read", "nowait", "rec_version", "read_committed"}) TR().TRParams().Add(line);
  EXPECT_TRUE(TR().IsReadCommitted());
  TR().StartTransaction();
  try {
    Execute(DB(), TR(), "INSERT INTO T VALUES (1)");
    ADD_FAILURE() << "a read-only transaction wrote";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.ErrorSender(), &TR());
    EXPECT_EQ(e.Message().rfind("MainForm.TR:\r\n", 0), 0u);
  }
  TR().Rollback();

  TR().TRParams().Clear();
  TR().TRParams().Add(" read_committed");
  EXPECT_FALSE(TR().IsReadCommitted());
  TR().TRParams().SetStrings(0, "isc_tpb_read_committed");
  EXPECT_TRUE(TR().IsReadCommitted());
}

TEST_F(TransactionTest, TransactionNumberIsTheServersAndIsForgottenAtTheEnd) {
  EXPECT_EQ(TR().TransactionNumber(), 0);
  TR().StartTransaction();
  const std::int64_t number = TR().TransactionNumber();
  EXPECT_GT(number, 0);
  EXPECT_EQ(Query(DB(), TR(), "SELECT CURRENT_TRANSACTION FROM RDB$DATABASE"), number);
  EXPECT_EQ(TR().TransactionNumber(), number);
  TR().CommitRetaining();
  EXPECT_EQ(TR().TransactionNumber(), Query(DB(), TR(), "SELECT CURRENT_TRANSACTION FROM RDB$DATABASE"));
  TR().Commit();
  EXPECT_EQ(TR().TransactionNumber(), 0);
}

TEST_F(TransactionTest, DatabaseListsStayInStep) {
  TFIBDatabase& other = NewDatabase("Other");
  TFIBDatabase& third = NewDatabase("Third");
  TR().AddDatabase(&other);
  ASSERT_EQ(TR().DatabaseCount(), 2);

  // The new default takes the old one's place.
  TR().SetDefaultDatabase(&third);
  EXPECT_EQ(TR().Databases(0), &third);
  EXPECT_EQ(TR().Databases(1), &other);
  EXPECT_EQ(DB().FindTransaction(&TR()), -1);
  EXPECT_GE(third.FindTransaction(&TR()), 0);

  // Removing from either side clears the defaults between the two.
  other.SetDefaultTransaction(&TR());
  EXPECT_EQ(other.DefaultTransaction(), &TR());
  other.RemoveTransaction(other.FindTransaction(&TR()));
  EXPECT_EQ(TR().FindDatabase(&other), -1);
  EXPECT_EQ(other.DefaultTransaction(), nullptr);
  TR().RemoveDatabase(0);
  EXPECT_EQ(TR().DefaultDatabase(), nullptr);
  EXPECT_EQ(third.FindTransaction(&TR()), -1);
  EXPECT_EQ(TR().DatabaseCount(), 0);

  // A transaction without a default database gets the connection's.
  TFIBTransaction& fresh = NewTransaction("Fresh", nullptr);
  DB().SetDefaultUpdateTransaction(&fresh);
  EXPECT_EQ(fresh.DefaultDatabase(), &DB());
  EXPECT_GE(DB().FindTransaction(&fresh), 0);
}

TEST_F(TransactionTest, DestroyingAnActiveTransactionEndsItByItsHardAction) {
  auto tr = std::make_unique<TFIBTransaction>(nullptr);
  tr->SetDefaultDatabase(&DB());
  tr->SetTimeoutAction(TACommitRetaining);
  tr->StartTransaction();
  Execute(DB(), *tr, "INSERT INTO T VALUES (1)");
  std::vector<int> order;
  tr->RegisterDestroyCallback(TNotifyEvent(&order, [&](TObject*) { order.push_back(1); }));
  tr->RegisterDestroyCallback(TNotifyEvent(&DB(), [&](TObject*) { order.push_back(2); }));
  const TFIBTransaction* gone = tr.get();
  tr.reset();
  EXPECT_EQ(order, (std::vector<int>{2, 1}));
  EXPECT_EQ(DB().FindTransaction(gone), -1);
  EXPECT_EQ(Rows(DB()), 1);
}

}  // namespace
