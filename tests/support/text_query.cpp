#include "tests/support/text_query.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "dbaccess/client/client_api.h"
#include "dbaccess/client/client_library.h"
#include "dbaccess/client/errors.h"
#include "dbaccess/client/parameter_blocks.h"
#include "dbaccess/client/status_vector.h"
#include "framework/core/base/exceptions.h"

namespace {

void Check(ISC_STATUS result) {
  if (result != 0) RaiseStatusError(nullptr);
}

template <class T>
T Load(const ISC_SCHAR* data) {
  T value{};
  std::memcpy(&value, data, sizeof(value));
  return value;
}

// An integer with the column's decimal scale applied, in decimal.
std::string ScaledText(std::int64_t value, int scale) {
  std::string digits = std::to_string(value < 0 ? -static_cast<std::uint64_t>(value) : value);
  if (scale > 0) return (value < 0 ? "-" : "") + digits + std::string(static_cast<std::size_t>(scale), '0');
  const auto places = static_cast<std::size_t>(-scale);
  if (places > 0) {
    if (digits.size() <= places) digits.insert(0, places + 1 - digits.size(), '0');
    digits.insert(digits.size() - places, ".");
  }
  return (value < 0 ? "-" : "") + digits;
}

template <class T>
std::string FloatText(T value) {
  std::array<char, 64> text{};
  const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() ? std::string(text.data(), end) : "<float>";
}

// Day 0 of the engine's dates is 1858-11-17, 40587 days before 1970-01-01.
std::string DateText(ISC_DATE date) {
  const std::chrono::year_month_day day{std::chrono::sys_days{std::chrono::days{date - 40587}}};
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02u-%02u", static_cast<int>(day.year()),
                static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
  return text.data();
}

// Times count ten-thousandths of a second since midnight.
std::string TimeText(ISC_TIME time) {
  const unsigned seconds = time / 10000;
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%02u:%02u:%02u.%04u", seconds / 3600, seconds / 60 % 60,
                seconds % 60, static_cast<unsigned>(time % 10000));
  return text.data();
}

std::string ValueText(const XSQLVAR& var) {
  if ((var.sqltype & 1) != 0 && *var.sqlind != 0) return "<null>";
  const ISC_SCHAR* data = var.sqldata;
  switch (var.sqltype & ~1) {
    case SQL_SHORT:
      return ScaledText(Load<ISC_SHORT>(data), var.sqlscale);
    case SQL_LONG:
      return ScaledText(Load<ISC_LONG>(data), var.sqlscale);
    case SQL_INT64:
      return ScaledText(Load<ISC_INT64>(data), var.sqlscale);
    case SQL_FLOAT:
      return FloatText(Load<float>(data));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
      return FloatText(Load<double>(data));
    case SQL_TEXT:
      return std::string(data, static_cast<std::size_t>(var.sqllen));
    case SQL_VARYING:
      return std::string(data + sizeof(ISC_USHORT), Load<ISC_USHORT>(data));
    case SQL_TYPE_DATE:
      return DateText(Load<ISC_DATE>(data));
    case SQL_TYPE_TIME:
      return TimeText(Load<ISC_TIME>(data));
    case SQL_TIMESTAMP: {
      const auto stamp = Load<ISC_TIMESTAMP>(data);
      return DateText(stamp.timestamp_date) + " " + TimeText(stamp.timestamp_time);
    }
    case SQL_BOOLEAN:
      return Load<FB_BOOLEAN>(data) != 0 ? "true" : "false";
    default:
      return "<type " + std::to_string(var.sqltype & ~1) + ">";
  }
}

// A prepared statement with a buffer for every output column; its handle is
// dropped with it, even when it failed to prepare (the error that brought
// us here is already on its way).
class TStatement {
 public:
  TStatement(TClientHandle* database, TClientHandle* transaction, const std::string& sql)
      : FTransaction(transaction) {
    const TClientEntryPoints& api = ClientAPI();
    Check(api.isc_dsql_alloc_statement2(StatusVector(), database, FHandle.Address()));
    AllocateDescriptor(1);
    Check(api.isc_dsql_prepare(StatusVector(), transaction, FHandle.Address(), 0, sql.c_str(), SQL_DIALECT_V6,
                               Output()));
    if (Output()->sqld > Output()->sqln) {
      AllocateDescriptor(Output()->sqld);
      Check(api.isc_dsql_describe(StatusVector(), FHandle.Address(), SQLDA_VERSION1, Output()));
    }
  }

  XSQLDA* Output() { return reinterpret_cast<XSQLDA*>(FDescriptor.get()); }
  TClientHandle* Handle() { return FHandle.Address(); }

  void Open() {
    XSQLDA* output = Output();
    const auto count = static_cast<std::size_t>(output->sqld);
    FData.assign(count, {});
    FNulls.assign(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
      XSQLVAR& var = output->sqlvar[i];
      // Whole 8-byte words: every type's value is read with memcpy, but the
      // engine writes timestamps and 64-bit numbers in place.
      FData[i].assign((static_cast<std::size_t>(var.sqllen) + sizeof(ISC_USHORT)) / 8 + 1, 0);
      var.sqldata = reinterpret_cast<ISC_SCHAR*>(FData[i].data());
      var.sqlind = &FNulls[i];
      var.sqltype = static_cast<short>(var.sqltype | 1);
    }
    Check(ClientAPI().isc_dsql_execute(StatusVector(), FTransaction, FHandle.Address(), SQLDA_VERSION1,
                                       nullptr));
  }

  bool Fetch() {
    const ISC_STATUS result =
        ClientAPI().isc_dsql_fetch(StatusVector(), FHandle.Address(), SQLDA_VERSION1, Output());
    if (result == 100) return false;
    Check(result);
    return true;
  }

  std::vector<std::string> Row() {
    std::vector<std::string> row;
    for (int i = 0; i < Output()->sqld; ++i) row.push_back(ValueText(Output()->sqlvar[i]));
    return row;
  }

 private:
  void AllocateDescriptor(int count) {
    FDescriptor = std::make_unique<char[]>(DescriptorLength(count));
    Output()->version = SQLDA_VERSION1;
    Output()->sqln = static_cast<ISC_SHORT>(count);
  }

  TStatementHandle FHandle;  // made in place: the client keeps its address
  TClientHandle* FTransaction;
  std::unique_ptr<char[]> FDescriptor;
  std::vector<std::vector<std::int64_t>> FData;
  std::vector<ISC_SHORT> FNulls;
};

}  // namespace

std::vector<std::string> TTextQuery::ReadOnlyTransaction() {
  return {"read", "nowait", "rec_version", "read_committed"};
}

TTextQuery::TTextQuery(const std::string& path, const std::vector<std::string>& connectionLines,
                       const std::vector<std::string>& transactionLines)
    : FDatabase(FOwnDatabase.Address()), FTransaction(FOwnTransaction.Address()) {
  CheckClientLibrary();
  const TClientEntryPoints& api = ClientAPI();
  const std::string dpb = BuildDPB(connectionLines);
  Check(api.isc_attach_database(StatusVector(), static_cast<short>(path.size()), path.data(), FDatabase,
                                static_cast<short>(dpb.size()), dpb.data()));
  const std::string tpb = BuildTPB(transactionLines);
  TTransactionVectorEntry entry{FDatabase, static_cast<int>(tpb.size()), tpb.data()};
  Check(api.isc_start_multiple(StatusVector(), FTransaction, 1, &entry));
}

TTextQuery::TTextQuery(TClientHandle* database, TClientHandle* transaction)
    : FDatabase(database), FTransaction(transaction) {}

std::vector<TQueryColumn> TTextQuery::Describe(const std::string& select) {
  TStatement statement(FDatabase, FTransaction, select);
  std::vector<TQueryColumn> columns;
  const XSQLDA* output = statement.Output();
  for (int i = 0; i < output->sqld; ++i) {
    const XSQLVAR& var = output->sqlvar[i];
    columns.push_back({std::string(var.aliasname, static_cast<std::size_t>(var.aliasname_length)),
                       var.sqltype & ~1, var.sqllen, var.sqlsubtype, var.sqlscale});
  }
  return columns;
}

std::vector<std::vector<std::string>> TTextQuery::Rows(const std::string& select) {
  TStatement statement(FDatabase, FTransaction, select);
  statement.Open();
  std::vector<std::vector<std::string>> rows;
  while (statement.Fetch()) rows.push_back(statement.Row());
  return rows;
}

std::vector<std::string> TTextQuery::Column(const std::string& select) {
  std::vector<std::string> values;
  for (std::vector<std::string>& row : Rows(select)) values.push_back(std::move(row.at(0)));
  return values;
}

std::string TTextQuery::Value(const std::string& select) {
  std::vector<std::vector<std::string>> rows = Rows(select);
  if (rows.size() != 1 || rows[0].size() != 1)
    throw Exception("Not one value (" + std::to_string(rows.size()) + " rows of " +
                    std::to_string(rows.empty() ? 0 : rows[0].size()) + " columns) from: " + select);
  return std::move(rows[0][0]);
}

std::int64_t TTextQuery::WholeNumber(const std::string& select) {
  const std::string value = Value(select);
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (value.empty() || error != std::errc() || end != value.data() + value.size())
    throw Exception("Not a whole number (" + value + ") from: " + select);
  return number;
}

std::string TTextQuery::Plan(const std::string& select) {
  TStatement statement(FDatabase, FTransaction, select);
  const ISC_SCHAR item = isc_info_sql_get_plan;
  std::array<ISC_SCHAR, 8192> reply{};
  Check(ClientAPI().isc_dsql_sql_info(StatusVector(), statement.Handle(), 1, &item,
                                      static_cast<short>(reply.size()), reply.data()));
  if (reply[0] != isc_info_sql_get_plan) return {};
  const auto length = static_cast<std::size_t>(ClientAPI().isc_vax_integer(&reply[1], 2));
  return std::string(&reply[3], length);
}

int TTextQuery::DatabaseInfo(char item) {
  std::array<ISC_SCHAR, 64> reply{};
  Check(ClientAPI().isc_database_info(StatusVector(), FDatabase, 1, &item, static_cast<short>(reply.size()),
                                      reply.data()));
  if (reply[0] != item) return -1;
  const auto length = static_cast<short>(ClientAPI().isc_vax_integer(&reply[1], 2));
  return ClientAPI().isc_vax_integer(&reply[3], length);
}
