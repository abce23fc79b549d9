#include "tests/tools/sample_query.h"

#include <array>
#include <cstring>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/parameter_blocks.h"
#include "dbaccess/client/status_vector.h"
#include "tools/sample_database.h"

struct TSampleQuery::THandles {
  isc_db_handle Database = 0;
  isc_tr_handle Transaction = 0;
};

namespace {

void Check(ISC_STATUS result) {
  if (result != 0) RaiseStatusError(nullptr);
}

// A prepared SELECT with a buffer for every output column.
class TStatement {
 public:
  TStatement(isc_db_handle* database, isc_tr_handle* transaction, const std::string& sql)
      : FTransaction(transaction) {
    const TClientEntryPoints& api = ClientAPI();
    Check(api.isc_dsql_alloc_statement2(StatusVector(), database, &FHandle));
    AllocateDescriptor(1);
    Check(api.isc_dsql_prepare(StatusVector(), transaction, &FHandle, 0, sql.c_str(), SQL_DIALECT_V6,
                               Output()));
    if (Output()->sqld > Output()->sqln) {
      AllocateDescriptor(Output()->sqld);
      Check(api.isc_dsql_describe(StatusVector(), &FHandle, SQLDA_VERSION1, Output()));
    }
  }
  ~TStatement() { ClientAPI().isc_dsql_free_statement(StatusVector(), &FHandle, DSQL_drop); }
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  XSQLDA* Output() { return reinterpret_cast<XSQLDA*>(FDescriptor.get()); }
  isc_stmt_handle* Handle() { return &FHandle; }

  void Open() {
    XSQLDA* output = Output();
    FData.assign(static_cast<std::size_t>(output->sqld), {});
    FNulls.assign(static_cast<std::size_t>(output->sqld), 0);
    for (int i = 0; i < output->sqld; ++i) {
      XSQLVAR& var = output->sqlvar[i];
      FData[i].assign(static_cast<std::size_t>(var.sqllen) + sizeof(ISC_USHORT) + sizeof(ISC_INT64), 0);
      var.sqldata = FData[i].data();
      var.sqlind = &FNulls[i];
      var.sqltype = static_cast<short>(var.sqltype | 1);
    }
    Check(ClientAPI().isc_dsql_execute(StatusVector(), FTransaction, &FHandle, SQLDA_VERSION1, nullptr));
  }

  bool Fetch() {
    const ISC_STATUS result = ClientAPI().isc_dsql_fetch(StatusVector(), &FHandle, SQLDA_VERSION1, Output());
    if (result == 100) return false;
    Check(result);
    return true;
  }

  std::string Text(int index) {
    const XSQLVAR& var = Output()->sqlvar[index];
    if (*var.sqlind != 0) return "<null>";
    switch (var.sqltype & ~1) {
      case SQL_LONG: {
        ISC_LONG value = 0;
        std::memcpy(&value, var.sqldata, sizeof(value));
        return std::to_string(value);
      }
      case SQL_SHORT: {
        ISC_SHORT value = 0;
        std::memcpy(&value, var.sqldata, sizeof(value));
        return std::to_string(value);
      }
      case SQL_INT64: {
        ISC_INT64 value = 0;
        std::memcpy(&value, var.sqldata, sizeof(value));
        return std::to_string(value);
      }
      case SQL_VARYING: {
        ISC_USHORT length = 0;
        std::memcpy(&length, var.sqldata, sizeof(length));
        return std::string(var.sqldata + sizeof(length), length);
      }
      case SQL_TEXT:
        return std::string(var.sqldata, static_cast<std::size_t>(var.sqllen));
      default:
        return "<type " + std::to_string(var.sqltype & ~1) + ">";
    }
  }

 private:
  void AllocateDescriptor(int count) {
    FDescriptor = std::make_unique<char[]>(DescriptorLength(count));
    Output()->version = SQLDA_VERSION1;
    Output()->sqln = static_cast<ISC_SHORT>(count);
  }

  isc_stmt_handle FHandle = 0;
  isc_tr_handle* FTransaction;
  std::unique_ptr<char[]> FDescriptor;
  std::vector<std::vector<ISC_SCHAR>> FData;
  std::vector<ISC_SHORT> FNulls;
};

}  // namespace

TSampleQuery::TSampleQuery(const std::string& path) : F(std::make_unique<THandles>()) {
  const TClientEntryPoints& api = ClientAPI();
  const std::string dpb = BuildDPB(SampleConnectionLines());
  Check(api.isc_attach_database(StatusVector(), static_cast<short>(path.size()), path.data(), &F->Database,
                                static_cast<short>(dpb.size()), dpb.data()));
  // The program's own transaction parameters.
  const std::string tpb =
      BuildTPB(std::vector<std::string>{"read", "nowait", "rec_version", "read_committed"});
  TTransactionVectorEntry entry{&F->Database, static_cast<int>(tpb.size()), tpb.data()};
  if (api.isc_start_multiple(StatusVector(), &F->Transaction, 1, &entry) != 0) {
    api.isc_detach_database(StatusVector(), &F->Database);
    RaiseStatusError(nullptr);
  }
}

TSampleQuery::~TSampleQuery() {
  // Read-only work: nothing to keep, nothing to report.
  const TClientEntryPoints& api = ClientAPI();
  if (F->Transaction != 0) api.isc_commit_transaction(StatusVector(), &F->Transaction);
  if (F->Database != 0) api.isc_detach_database(StatusVector(), &F->Database);
}

std::vector<TQueryColumn> TSampleQuery::Describe(const std::string& select) {
  TStatement statement(&F->Database, &F->Transaction, select);
  std::vector<TQueryColumn> columns;
  const XSQLDA* output = statement.Output();
  for (int i = 0; i < output->sqld; ++i) {
    const XSQLVAR& var = output->sqlvar[i];
    columns.push_back({std::string(var.aliasname, static_cast<std::size_t>(var.aliasname_length)),
                       var.sqltype & ~1, var.sqllen, var.sqlsubtype});
  }
  return columns;
}

std::vector<std::vector<std::string>> TSampleQuery::Rows(const std::string& select) {
  TStatement statement(&F->Database, &F->Transaction, select);
  statement.Open();
  std::vector<std::vector<std::string>> rows;
  while (statement.Fetch()) {
    std::vector<std::string>& row = rows.emplace_back();
    for (int i = 0; i < statement.Output()->sqld; ++i) row.push_back(statement.Text(i));
  }
  return rows;
}

std::vector<std::string> TSampleQuery::Column(const std::string& select) {
  std::vector<std::string> values;
  for (std::vector<std::string>& row : Rows(select)) values.push_back(std::move(row.at(0)));
  return values;
}

std::string TSampleQuery::Plan(const std::string& select) {
  TStatement statement(&F->Database, &F->Transaction, select);
  const ISC_SCHAR item = isc_info_sql_get_plan;
  std::array<ISC_SCHAR, 8192> reply{};
  Check(ClientAPI().isc_dsql_sql_info(StatusVector(), statement.Handle(), 1, &item,
                                      static_cast<short>(reply.size()), reply.data()));
  if (reply[0] != isc_info_sql_get_plan) return {};
  const auto length = static_cast<std::size_t>(ClientAPI().isc_vax_integer(&reply[1], 2));
  return std::string(&reply[3], length);
}

int TSampleQuery::DatabaseInfo(char item) {
  std::array<ISC_SCHAR, 64> reply{};
  Check(ClientAPI().isc_database_info(StatusVector(), &F->Database, 1, &item,
                                      static_cast<short>(reply.size()), reply.data()));
  if (reply[0] != item) return -1;
  const auto length = static_cast<short>(ClientAPI().isc_vax_integer(&reply[1], 2));
  return ClientAPI().isc_vax_integer(&reply[3], length);
}
