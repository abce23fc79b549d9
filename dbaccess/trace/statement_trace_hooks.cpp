#include "dbaccess/trace/statement_trace_hooks.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "dbaccess/statement/query.h"
#include "dbaccess/trace/sql_monitor.h"
#include "framework/core/data/dataset.h"

namespace {

// Creating the hook on first use can only fail for want of memory.
TFIBSQLMonitorHook* Hook() noexcept {
  try {
    return MonitorHook();
  } catch (const std::exception&) {
    return nullptr;
  }
}

// The hook when a monitor wants the kind now and the queue has room, else
// null: the texts below are built only for a message that is sent.
TFIBSQLMonitorHook* HookWanting(TTraceKind kind) noexcept {
  TFIBSQLMonitorHook* hook = Hook();
  try {
    return hook != nullptr && hook->Admits(kind) ? hook : nullptr;
  } catch (const std::exception&) {
    return nullptr;
  }
}

// A dataset's statements are known to the user by the dataset's name.
const std::string& TraceName(const TFIBQuery& query) {
  if (const auto* dataset = dynamic_cast<const TDataSet*>(query.Owner())) return dataset->Name();
  return query.Name();
}

// The values' texts are read only when the message is built, which happens
// before the trace operation returns, so the variables outlive them.
std::vector<TTraceValue> TraceValues(const TFIBXSQLDA* values, bool withMacros) {
  std::vector<TTraceValue> result;
  if (values == nullptr) return result;
  result.reserve(static_cast<std::size_t>(values->Count()));
  for (int i = 0; i < values->Count(); ++i) {
    const TFIBXSQLVAR& var = (*values)[i];
    if (var.IsMacro() && !withMacros) continue;
    result.push_back({var.Name(), var.SQLType(), var.IsNull(), [&var] { return var.AsString(); }});
  }
  return result;
}

std::optional<std::int64_t> TraceRowsAffected(TFIBQuery& query) {
  switch (query.SQLType()) {
    case SQLInsert:
    case SQLUpdate:
    case SQLDelete:
      break;
    default:
      return std::nullopt;
  }
  try {
    return query.RowsAffected();
  } catch (const std::exception&) {
    // The count is a further server call; the message goes out without it.
    return std::nullopt;
  }
}

}  // namespace

void TracePrepare(TFIBQuery& query) noexcept {
  TFIBSQLMonitorHook* hook = HookWanting(TTraceKind::Prepare);
  if (hook == nullptr) return;
  try {
    hook->TracePrepare(TraceName(query), query.SQL().Text(), [&query] { return query.Plan(); });
  } catch (const std::exception&) {
    // No memory for the SQL text: the message is lost.
  }
}

void TraceExecute(TFIBQuery& query) noexcept {
  TFIBSQLMonitorHook* hook = HookWanting(TTraceKind::Execute);
  if (hook == nullptr) return;
  try {
    const std::vector<TTraceValue> params = TraceValues(query.InputParams(), false);
    hook->TraceExecute(TraceName(query), query.SQL().Text(), params, TraceRowsAffected(query),
                       query.ExecTime());
  } catch (const std::exception&) {
    // No memory for the texts: the message is lost.
  }
}

void TraceFetch(TFIBQuery& query) noexcept {
  TFIBSQLMonitorHook* hook = HookWanting(TTraceKind::Fetch);
  if (hook == nullptr) return;
  try {
    const std::vector<TTraceValue> columns = TraceValues(&query.Fields(), true);
    hook->TraceFetch(TraceName(query), query.SQL().Text(), columns, query.Eof());
  } catch (const std::exception&) {
    // No memory for the texts: the message is lost.
  }
}

void TraceStatementError(TFIBQuery& /*query*/, std::string_view /*text*/) noexcept {}
