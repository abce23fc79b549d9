#include "dbaccess/statement/query_cache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "dbaccess/connection/database.h"
#include "dbaccess/connection/transaction.h"
#include "framework/core/component/component.h"
#include "tests/dbaccess/connection_fixture.h"

namespace {

// ---- Keys -------------------------------------------------------------------------------

struct TKeyCase {
  const char* Name;
  const char* A;
  const char* B;
  bool SameKey;
};

class CachedQueryKeyTest : public ::testing::TestWithParam<TKeyCase> {};

TEST_P(CachedQueryKeyTest, TextsShareAKeyExactlyWhenTheServerWouldSeeOneStatement) {
  const TKeyCase& c = GetParam();
  EXPECT_EQ(CachedQueryKey(c.A) == CachedQueryKey(c.B), c.SameKey)
      << CachedQueryKey(c.A) << " | " << CachedQueryKey(c.B);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CachedQueryKeyTest,
    ::testing::Values(
        TKeyCase{"LetterCase", "select id from t where id = :id", "SELECT ID FROM T WHERE ID = :ID", true},
        TKeyCase{"Blanks", "select id\r\n  from\tt", "  select id from t  ", true},
        TKeyCase{"Comments", "select /* all */ id from t -- here\n", "select id from t", true},
        TKeyCase{"LiteralCase", "select id from t where s = 'a'", "select id from t where s = 'A'", false},
        TKeyCase{"QuotedNameCase", "select \"id\" from t", "select \"ID\" from t", false},
        TKeyCase{"OtherTable", "select id from t", "select id from u", false}),
    [](const auto& info) { return std::string(info.param.Name); });

// ---- The cache on a database -----------------------------------------------------------------

constexpr const char* OneRow = "select 1 from rdb$database";

// Hears when a component it watches is destroyed.
class TDeathWatch : public TComponent {
 public:
  explicit TDeathWatch(TComponent* watched) : TComponent(nullptr) { FreeNotification(watched); }
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove) Gone.insert(component);
  }
  std::set<const TComponent*> Gone;
};

class QueryCacheTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    FDatabase = &NewDatabase("Db");
    FDatabase->OpenConnection();
    FTransaction = &NewTransaction("Tr", FDatabase);
    FTransaction->StartTransaction();
  }
  void TearDown() override {
    RestartQueryCache();
    ConnectionTest::TearDown();
  }

  TFIBDatabase& Database() { return *FDatabase; }
  TFIBTransaction& Transaction() { return *FTransaction; }
  TCacheQueries* Cache() { return QueryCache()->FindCache(FDatabase); }

  // Executes the query's select and reads its one value.
  static int RunOneRow(TpFIBQuery& query) {
    query.ExecQuery();
    const int value = query.Fields(0).AsInteger();
    query.CloseCursor();
    return value;
  }

 private:
  TFIBDatabase* FDatabase = nullptr;
  TFIBTransaction* FTransaction = nullptr;
};

TEST_F(QueryCacheTest, AReleasedQueryServesTheNextCallerOfItsTextStillPrepared) {
  TpFIBQuery* first = AcquireCachedQuery(&Transaction(), OneRow);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Database(), &Database());
  EXPECT_EQ(first->Transaction(), &Transaction());
  EXPECT_EQ(RunOneRow(*first), 1);
  ReleaseCachedQuery(first);
  EXPECT_EQ(Cache()->UsedCount(), 0);
  EXPECT_EQ(Cache()->IdleCount(), 1);

  TpFIBQuery* again = AcquireCachedQuery(&Transaction(), "SELECT 1\n  FROM /* the one row */ RDB$DATABASE");
  EXPECT_EQ(again, first);
  EXPECT_TRUE(again->Prepared());
  EXPECT_EQ(RunOneRow(*again), 1);
  ReleaseCachedQuery(again);
}

TEST_F(QueryCacheTest, AParameterisedTextComesBackUnderItsOwnKey) {
  constexpr const char* Text = "select rdb$relation_id from rdb$relations where rdb$relation_id = :id";
  TpFIBQuery* query = AcquireCachedQuery(&Transaction(), Text);
  query->ParamByName("ID").SetAsInteger(1);
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsInteger(), 1);
  ReleaseCachedQuery(query);
  EXPECT_EQ(Cache()->IdleCount(CachedQueryKey(Text)), 1);

  TpFIBQuery* again = AcquireCachedQuery(&Transaction(), Text);
  ASSERT_EQ(again, query);
  again->ParamByName("ID").SetAsInteger(2);
  again->ExecQuery();
  EXPECT_EQ(again->Fields(0).AsInteger(), 2);
  ReleaseCachedQuery(again);
}

TEST_F(QueryCacheTest, AcquiringGivesTheCallersTransactionAndClosesAnOpenCursor) {
  TFIBTransaction& other = NewTransaction("Other", &Database());
  other.StartTransaction();
  TpFIBQuery* query = AcquireCachedQuery(&Transaction(), "select rdb$relation_id from rdb$relations");
  query->ExecQuery();
  ASSERT_TRUE(query->Open());
  ReleaseCachedQuery(query);  // with its cursor still open

  TpFIBQuery* again = AcquireCachedQuery(&other, "select rdb$relation_id from rdb$relations");
  ASSERT_EQ(again, query);
  EXPECT_FALSE(again->Open());
  EXPECT_EQ(again->Transaction(), &other);
  again->ExecQuery();
  EXPECT_FALSE(again->Eof());
  ReleaseCachedQuery(again);
}

TEST_F(QueryCacheTest, AnIdleQueryOutlivesTheTransactionItLastRanIn) {
  TFIBTransaction* first = &NewTransaction("First", &Database());
  first->StartTransaction();
  TpFIBQuery* query = AcquireCachedQuery(first, OneRow);
  EXPECT_EQ(RunOneRow(*query), 1);
  ReleaseCachedQuery(query);
  first->Free();
  EXPECT_EQ(query->Transaction(), nullptr);

  TpFIBQuery* again = AcquireCachedQuery(&Transaction(), OneRow);
  ASSERT_EQ(again, query);
  EXPECT_EQ(again->Transaction(), &Transaction());
  EXPECT_EQ(RunOneRow(*again), 1);
  ReleaseCachedQuery(again);
}

TEST_F(QueryCacheTest, TwoCallersOfOneTextGetTwoQueriesAndBothAreKeptForReuse) {
  TpFIBQuery* a = AcquireCachedQuery(&Transaction(), OneRow);
  TpFIBQuery* b = AcquireCachedQuery(&Transaction(), OneRow);
  ASSERT_NE(a, b);
  EXPECT_EQ(RunOneRow(*a), 1);
  EXPECT_EQ(RunOneRow(*b), 1);
  TDeathWatch watch(a);
  watch.FreeNotification(b);
  ReleaseCachedQuery(a);
  ReleaseCachedQuery(b);
  EXPECT_TRUE(watch.Gone.empty());
  EXPECT_EQ(Cache()->IdleCount(CachedQueryKey(OneRow)), 2);

  const std::set<TpFIBQuery*> reused{AcquireCachedQuery(&Transaction(), OneRow),
                                     AcquireCachedQuery(&Transaction(), OneRow)};
  EXPECT_EQ(reused, (std::set<TpFIBQuery*>{a, b}));
  TpFIBQuery* third = AcquireCachedQuery(&Transaction(), OneRow);
  EXPECT_FALSE(third == a || third == b);
  EXPECT_EQ(Cache()->UsedCount(), 3);
  for (TpFIBQuery* q : {a, b, third}) ReleaseCachedQuery(q);
  EXPECT_EQ(Cache()->IdleCount(), 3);
}

TEST_F(QueryCacheTest, FreeingAHandedOutQueryForgetsThatQueryOnly) {
  TpFIBQuery* a = AcquireCachedQuery(&Transaction(), OneRow);
  TpFIBQuery* b = AcquireCachedQuery(&Transaction(), OneRow);
  ReleaseCachedQuery(a);
  b->Free();
  EXPECT_EQ(Cache()->UsedCount(), 0);
  EXPECT_EQ(Cache()->IdleCount(CachedQueryKey(OneRow)), 1);
  TpFIBQuery* next = AcquireCachedQuery(&Transaction(), OneRow);
  EXPECT_EQ(next, a);
  EXPECT_EQ(RunOneRow(*next), 1);
  ReleaseCachedQuery(next);
  EXPECT_EQ(Cache()->IdleCount(), 1);
}

TEST_F(QueryCacheTest, FreeingAnIdleQueryLeavesTheOtherIdleQueriesOfItsText) {
  TpFIBQuery* a = AcquireCachedQuery(&Transaction(), OneRow);
  TpFIBQuery* b = AcquireCachedQuery(&Transaction(), OneRow);
  ReleaseCachedQuery(a);
  ReleaseCachedQuery(b);
  a->Free();
  EXPECT_EQ(Cache()->IdleCount(CachedQueryKey(OneRow)), 1);
  TpFIBQuery* next = AcquireCachedQuery(&Transaction(), OneRow);
  EXPECT_EQ(next, b);
  EXPECT_EQ(RunOneRow(*next), 1);
  ReleaseCachedQuery(next);
  EXPECT_EQ(Cache()->IdleCount(), 1);
}

TEST_F(QueryCacheTest, DestroyingADatabaseFreesItsIdleQueriesAndItsCache) {
  TpFIBQuery* query = AcquireCachedQuery(&Transaction(), OneRow);
  EXPECT_EQ(RunOneRow(*query), 1);
  ReleaseCachedQuery(query);
  TDeathWatch watch(query);
  ASSERT_EQ(QueryCache()->CacheCount(), 1);

  Database().Free();
  EXPECT_EQ(watch.Gone, (std::set<const TComponent*>{query}));
  EXPECT_EQ(QueryCache()->CacheCount(), 0);

  // A new connection to the same file gets a cache of its own.
  TFIBDatabase& next = NewDatabase("Next");
  next.OpenConnection();
  TFIBTransaction& transaction = NewTransaction("NextTr", &next);
  transaction.StartTransaction();
  TpFIBQuery* fresh = AcquireCachedQuery(&transaction, OneRow);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->Database(), &next);
  EXPECT_EQ(RunOneRow(*fresh), 1);
  ReleaseCachedQuery(fresh);
  EXPECT_EQ(QueryCache()->FindCache(&next)->IdleCount(), 1);
}

TEST_F(QueryCacheTest, AQueryHandedOutOutlivesItsDatabaseUntilReleased) {
  TpFIBQuery* query = AcquireCachedQuery(&Transaction(), OneRow);
  EXPECT_EQ(RunOneRow(*query), 1);
  TDeathWatch watch(query);
  Database().Free();
  EXPECT_TRUE(watch.Gone.empty());
  EXPECT_EQ(query->Database(), nullptr);
  EXPECT_EQ(query->Description(), "");  // still a whole object
  ReleaseCachedQuery(query);
  EXPECT_EQ(watch.Gone, (std::set<const TComponent*>{query}));
}

TEST_F(QueryCacheTest, EachDatabaseHasItsOwnQueries) {
  TFIBDatabase& second = NewDatabase("Second", CreateDatabase("second.fdb"));
  second.OpenConnection();
  TFIBTransaction& transaction = NewTransaction("SecondTr", &second);
  transaction.StartTransaction();
  TpFIBQuery* mine = AcquireCachedQuery(&Transaction(), OneRow);
  ReleaseCachedQuery(mine);
  TpFIBQuery* theirs = AcquireCachedQuery(&transaction, OneRow);
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(theirs->Database(), &second);
  EXPECT_EQ(RunOneRow(*theirs), 1);
  ReleaseCachedQuery(theirs);
  EXPECT_EQ(QueryCache()->CacheCount(), 2);
}

TEST_F(QueryCacheTest, NothingIsHandedOutWithoutATransactionAndItsDatabase) {
  EXPECT_EQ(AcquireCachedQuery(nullptr, OneRow), nullptr);
  TFIBTransaction& alone = NewTransaction("Alone", nullptr);
  EXPECT_EQ(AcquireCachedQuery(&alone, OneRow), nullptr);
  ReleaseCachedQuery(nullptr);
  // A query the cache never handed out is left alone.
  TpFIBQuery stranger(nullptr);
  stranger.SetDatabase(&Database());
  ReleaseCachedQuery(&stranger);
  EXPECT_EQ(QueryCache()->FindCache(&Database()), nullptr);
}

TEST_F(QueryCacheTest, AfterShutdownNothingIsHandedOut) {
  TpFIBQuery* query = AcquireCachedQuery(&Transaction(), OneRow);
  TDeathWatch watch(query);
  ShutdownQueryCache();
  EXPECT_EQ(watch.Gone.size(), 1u);
  EXPECT_EQ(AcquireCachedQuery(&Transaction(), OneRow), nullptr);
}

TEST_F(QueryCacheTest, ThreadsNeverShareAQuery) {
  constexpr int Threads = 4;
  constexpr int Rounds = 200;
  std::mutex lock;
  std::set<TpFIBQuery*> held;
  std::atomic<int> clashes = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < Threads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < Rounds; ++i) {
        TpFIBQuery* query = AcquireCachedQuery(&Transaction(), i % 2 ? OneRow : "select 2 from rdb$database");
        {
          std::lock_guard guard(lock);
          if (!held.insert(query).second) ++clashes;
        }
        std::this_thread::yield();
        {
          std::lock_guard guard(lock);
          held.erase(query);
        }
        ReleaseCachedQuery(query);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(clashes, 0);
  EXPECT_EQ(Cache()->UsedCount(), 0);
  EXPECT_LE(Cache()->IdleCount(), 2 * Threads);
}

}  // namespace
