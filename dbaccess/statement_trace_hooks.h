#pragma once
// The trace points of the statement. Each is called at exactly one place;
// for now they do nothing. The SQL trace channel replaces the bodies with
// "when the process's monitor hook exists, send this message", and nothing
// else needs to change.

#include <string_view>

class TFIBQuery;

// TRACE POINT: a statement was prepared on the server.
inline void TracePrepare(TFIBQuery& /*query*/) {}
// TRACE POINT: a statement was executed (ExecTime holds its duration).
inline void TraceExecute(TFIBQuery& /*query*/) {}
// TRACE POINT: a fetch gave a row or reached the end of the rows.
inline void TraceFetch(TFIBQuery& /*query*/) {}
// TRACE POINT: a prepare or an execution failed. The text is ready for the
// monitor: "Owner.Query: [Prepare] message" (or "[Execute]").
inline void TraceStatementError(TFIBQuery& /*query*/, std::string_view /*text*/) {}
