#pragma once
// The trace points of the statement, each called at exactly one place. They
// send the statement's prepare, execute and fetch messages to the process's
// monitor hook (sql_monitor.h) when a monitor wants them; with none attached
// they cost one check and build nothing. They never raise: tracing must not
// fail what it reports.

#include <string_view>

class TFIBQuery;

// TRACE POINT: a statement was prepared on the server.
void TracePrepare(TFIBQuery& query) noexcept;
// TRACE POINT: a statement was executed (ExecTime holds its duration).
void TraceExecute(TFIBQuery& query) noexcept;
// TRACE POINT: a fetch gave a row or reached the end of the rows.
void TraceFetch(TFIBQuery& query) noexcept;
// TRACE POINT: a prepare or an execution failed. The text is ready for the
// monitor: "Owner.Query: [Prepare] message" (or "[Execute]"). The channel has
// no message kind for errors, so nothing is sent; the error itself reaches
// the caller.
void TraceStatementError(TFIBQuery& query, std::string_view text) noexcept;
