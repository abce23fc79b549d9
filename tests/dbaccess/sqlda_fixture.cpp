#include "tests/dbaccess/sqlda_fixture.h"

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/parameter_blocks.h"
#include "dbaccess/client/status_vector.h"
#include "tests/dbaccess/db_fixture.h"

namespace {

void Check(ISC_STATUS result) {
  if (result != 0) RaiseStatusError(nullptr);
}

XSQLDA* Sqlda(TFIBXSQLDA& da) { return static_cast<XSQLDA*>(da.RawBuffer()); }

}  // namespace

TRawDatabase::TRawDatabase(const std::string& path) {
  const std::string dpb = BuildDPB(DatabaseTest::ConnectionLines());
  Check(ClientAPI().isc_attach_database(StatusVector(), static_cast<short>(path.size()), path.data(),
                                        Database(), static_cast<short>(dpb.size()), dpb.data()));
}

void TRawDatabase::Start() {
  const std::string tpb =
      BuildTPB(std::vector<std::string>{"write", "read_committed", "rec_version", "nowait"});
  TTransactionVectorEntry entry{Database(), static_cast<int>(tpb.size()), tpb.data()};
  Check(ClientAPI().isc_start_multiple(StatusVector(), Transaction(), 1, &entry));
}

void TRawDatabase::Commit() { Check(ClientAPI().isc_commit_transaction(StatusVector(), Transaction())); }

TRawStatement::TRawStatement(TRawDatabase& db, std::string_view sql, int dialect, TFIBXSQLDA& params,
                             TFIBXSQLDA& fields)
    : FDb(db), FDialect(dialect), FParams(params), FFields(fields) {
  const TClientEntryPoints& api = ClientAPI();
  Check(api.isc_dsql_alloc_statement2(StatusVector(), db.Database(), FHandle.Address()));
  const std::string text(sql);
  fields.SetCount(1);
  Check(api.isc_dsql_prepare(StatusVector(), db.Transaction(), FHandle.Address(), 0, text.c_str(),
                             static_cast<unsigned short>(dialect), Sqlda(fields)));
  const int columns = Sqlda(fields)->sqld;
  if (columns > fields.Count()) {
    fields.SetCount(columns);
    Check(api.isc_dsql_describe(StatusVector(), FHandle.Address(), static_cast<unsigned short>(dialect),
                                Sqlda(fields)));
  }
  fields.SetCount(columns);
  fields.InitializeFromServer();

  params.SetCount(1);
  Check(api.isc_dsql_describe_bind(StatusVector(), FHandle.Address(), static_cast<unsigned short>(dialect),
                                   Sqlda(params)));
  const int inputs = Sqlda(params)->sqld;
  if (inputs > params.Count()) {
    params.SetCount(inputs);
    Check(api.isc_dsql_describe_bind(StatusVector(), FHandle.Address(), static_cast<unsigned short>(dialect),
                                     Sqlda(params)));
  }
  params.SetCount(inputs);
  params.InitializeFromServer();
  params.ResetNulls();
}

void TRawStatement::Execute() {
  if (FOpen) Check(ClientAPI().isc_dsql_free_statement(StatusVector(), FHandle.Address(), DSQL_close));
  FOpen = FFields.Count() > 0;
  Check(ClientAPI().isc_dsql_execute(StatusVector(), FDb.Transaction(), FHandle.Address(),
                                     static_cast<unsigned short>(FDialect),
                                     FParams.Count() > 0 ? Sqlda(FParams) : nullptr));
}

bool TRawStatement::Fetch() {
  const ISC_STATUS result = ClientAPI().isc_dsql_fetch(StatusVector(), FHandle.Address(),
                                                       static_cast<unsigned short>(FDialect), Sqlda(FFields));
  if (result == 100) return false;
  Check(result);
  return true;
}
