// Rows fetched ahead on a thread of their own: the reader gets the same rows,
// the same end and the same errors at the same row as when it fetches each
// row itself, however the cursor ends (read out, closed early, executed
// again, dropped, freed, its transaction ended, its connection closed) and while
// other statements use the connection.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dbaccess/client/errors.h"
#include "dbaccess/statement/query.h"
#include "tests/dbaccess/connection_fixture.h"

namespace {

// Batches are handed on 16, 64, then 256 rows at a time, sixteen at most.
constexpr int TableRows = 1500;

class FetchAheadTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    ExecuteSQL(
        "create table R (N integer not null, S varchar(40), D double precision, B blob sub_type text)");
    ExecuteSQL(
        "execute block as declare i integer = 1; begin while (i <= " + std::to_string(TableRows) +
        ") do begin insert into R values (:i, iif(mod(:i, 7) = 0, null, 'row ' || :i || "
        "iif(mod(:i, 5) = 0, ' with a longer text', '')), :i / 3.0, iif(mod(:i, 100) = 0, 'text ' || :i, "
        "null)); i = i + 1; end end");
    MakeConnection();
  }

  TFIBQuery& NewQuery(const std::string& sql, bool ahead, const std::string& name = "Q") {
    TFIBQuery& query = NewStatement(FDB, FTR, sql, name);
    query.SetFetchAhead(ahead);
    return query;
  }

  struct TRead {
    std::vector<std::string> Rows;
    std::string Error;  // empty when the rows ended
    friend bool operator==(const TRead&, const TRead&) = default;
  };

  // Every row (at most limit) of an executed query, each column as text.
  static TRead ReadRows(TFIBQuery& query, int limit = -1) {
    TRead read;
    try {
      for (TFIBXSQLDA* row = query.Eof() ? nullptr : &query.Fields(); row != nullptr;
           row = query.FetchNext()) {
        std::string text;
        for (int i = 0; i < row->Count(); ++i)
          text += ((*row)[i].IsNull() ? "null" : (*row)[i].AsString()) + "|";
        read.Rows.push_back(text);
        if (static_cast<int>(read.Rows.size()) == limit) break;
      }
    } catch (const EFIBError& e) {
      read.Error = e.Message();
    }
    return read;
  }

  // A statement of its own, named alike either way so that errors read
  // alike, executed twice: after an end or an error it reads the same again.
  TRead Run(const std::string& sql, bool ahead) {
    std::unique_ptr<TFIBQuery> query(&NewQuery(sql, ahead, "Run"));
    TRead reads[2];
    for (TRead& read : reads) {
      query->ExecQuery();
      read = ReadRows(*query);
      query->CloseCursor();
    }
    EXPECT_EQ(reads[1], reads[0]);
    return reads[0];
  }
};

TEST_F(FetchAheadTest, ReadsWhatTheFetchItselfReadsUpToItsEndOrError) {
  const struct {
    const char* Name;
    std::string Sql;
    std::size_t Rows;
    bool Fails = false;
  } cases[] = {
      {"no rows", "select * from R where N < 0", 0},
      {"one row", "select * from R where N = 7", 1},
      {"the first batch", "select * from R where N <= 16", 16},
      {"one past the first batch", "select * from R where N <= 17", 17},
      {"two batches", "select * from R where N <= 80", 80},
      {"past the batches in flight", "select * from R", TableRows},
      {"one column", "select S from R where N <= 300", 300},
      // Row 1000 divides by zero: the error reaches the reader at its row.
      {"an error at row 1000", "select N, 10 / (N - 1000) from R order by N", 999, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TRead plain = Run(c.Sql, false);
    const TRead ahead = Run(c.Sql, true);
    EXPECT_EQ(ahead.Rows.size(), c.Rows);
    EXPECT_EQ(!ahead.Error.empty(), c.Fails);
    EXPECT_EQ(ahead, plain);
  }
}

TEST_F(FetchAheadTest, EveryWayACursorEndsLeavesTheStatementUsable) {
  const std::string sql = "select N, S from R";
  TFIBQuery* query = &NewQuery(sql, true);
  const TRead whole = Run(sql, false);
  struct TEnding {
    const char* Name;
    std::function<void()> End;
    bool Prepared;
  };
  const TEnding endings[] = {
      {"closed early", [&] { query->CloseCursor(); }, true},
      {"executed again", [] {}, true},
      {"dropped", [&] { query->DropStatement(); }, false},
      {"freed",
       [&] {
         delete query;
         query = &NewQuery(sql, true);
       },
       false},
      {"the transaction ended",
       [&] {
         FTR->Commit();
         FTR->StartTransaction();
       },
       true},
      {"the connection closed",
       [&] {
         FDB->CloseConnection(false);
         FDB->OpenConnection();
         FTR->StartTransaction();
       },
       false},
  };
  for (const TEnding& ending : endings) {
    SCOPED_TRACE(ending.Name);
    for (int limit : {1, 20, 300}) {
      query->ExecQuery();
      EXPECT_EQ(ReadRows(*query, limit).Rows.size(), static_cast<std::size_t>(limit));
      ending.End();
      if (ending.Prepared) {
        EXPECT_TRUE(query->Prepared());
      }
      query->ExecQuery();
      EXPECT_EQ(ReadRows(*query), whole);
    }
  }
}

TEST_F(FetchAheadTest, OtherStatementsUseTheConnectionMeanwhile) {
  TFIBQuery& listing = NewQuery("select N, B from R order by N", true, "Listing");
  TFIBQuery& other = NewQuery("select count(*) from R where N between 1 and ?N", false, "Other");
  TFIBQuery& insert = NewQuery("insert into R (N) values (?N)", false, "Insert");
  listing.ExecQuery();
  int read = 0;
  for (TFIBXSQLDA* row = &listing.Fields(); row != nullptr; row = listing.FetchNext()) {
    ++read;
    ASSERT_EQ((*row)[0].AsInteger(), read);
    // A blob of a row read ahead is read through the connection the
    // fetching thread uses.
    if (read % 100 == 0) {
      EXPECT_EQ((*row)[1].AsString(), "text " + std::to_string(read));
    }
    if (read % 250 == 0) {
      other.ParamByName("N").SetAsInteger(read);
      other.ExecQuery();
      EXPECT_EQ(other.Fields(0).AsInteger(), read);
      other.CloseCursor();
      insert.ParamByName("N").SetAsInteger(-read);
      insert.ExecQuery();
    }
    // Retaining the transaction keeps the cursor.
    if (read == 700) FTR->CommitRetaining();
  }
  EXPECT_EQ(read, TableRows);
}

}  // namespace
