#pragma once
// The trace points of the connection and the transaction. Each is called at
// exactly one place, after the operation it reports has succeeded, and
// sends its message through the process's monitor hook (sql_monitor.h) when
// a monitor wants it. A trace point never raises: a message that cannot be
// built or queued is lost, and the operation it reports stands.

class TFIBDatabase;
class TFIBTransaction;

// TRACE POINT: a connection attached.
void TraceConnect(TFIBDatabase& database) noexcept;
// TRACE POINT: a connection detached (or was closed by force).
void TraceDisconnect(TFIBDatabase& database) noexcept;
// TRACE POINT: a transaction started.
void TraceStartTransaction(TFIBTransaction& transaction) noexcept;
// TRACE POINT: a transaction committed.
void TraceCommit(TFIBTransaction& transaction) noexcept;
// TRACE POINT: a transaction committed and stayed active.
void TraceCommitRetaining(TFIBTransaction& transaction) noexcept;
// TRACE POINT: a transaction rolled back (also a failed commit that was rolled back).
void TraceRollback(TFIBTransaction& transaction) noexcept;
// TRACE POINT: a transaction rolled back and stayed active.
void TraceRollbackRetaining(TFIBTransaction& transaction) noexcept;
