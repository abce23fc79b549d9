// Fetching is the hot path of every dataset: a row must come without a
// single allocation of ours. Global operator new is replaced in this test
// program to count the allocations a thread makes while counting is on.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "dbaccess/statement/query.h"
#include "tests/dbaccess/connection_fixture.h"

namespace {

thread_local bool Counting = false;
thread_local long Allocations = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (Counting) ++Allocations;
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

class FetchAllocations : public ConnectionTest {};

TEST_F(FetchAllocations, FetchingARowAllocatesNothing) {
  ExecuteSQL(
      "create table W (A integer, B varchar(40), C numeric(18,2), D timestamp, E blob sub_type text, F "
      "boolean)");
  ExecuteSQL(
      "insert into W select r.RDB$RELATION_ID, r.RDB$RELATION_NAME, 12.5, current_timestamp, 'text', true"
      " from RDB$RELATIONS r");
  TFIBDatabase& db = NewDatabase("DB");
  TFIBTransaction& tr = NewTransaction("TR", &db);
  db.OpenConnection();
  tr.StartTransaction();
  auto* query = new TFIBQuery(&Form());  // owned by the form
  query->SetDatabase(&db);
  query->SetTransaction(&tr);
  query->SQL().SetText("select A, B, C, D, E, F from W where A >= :LOW");
  query->ParamByName("LOW").SetAsInteger(0);
  query->ExecQuery();
  int rows = query->Eof() ? 0 : 1;
  Counting = true;
  while (query->FetchNext() != nullptr) ++rows;
  Counting = false;
  EXPECT_GT(rows, 10);
  EXPECT_EQ(Allocations, 0);

  // The count is real: reading the last row's blob does allocate.
  Counting = true;
  const std::string text = query->FieldByName("E").AsString();
  Counting = false;
  EXPECT_EQ(text, "text");
  EXPECT_GT(Allocations, 0);
}

}  // namespace
