#pragma once
// The trace points of the connection and the transaction. Each is called at
// exactly one place, after the operation it reports has succeeded; for now
// they do nothing. The SQL trace channel replaces the bodies with "when the
// process's monitor hook exists, send this message", and nothing else needs
// to change.

class TFIBDatabase;
class TFIBTransaction;

// TRACE POINT: a connection attached.
inline void TraceConnect(TFIBDatabase& /*database*/) {}
// TRACE POINT: a connection detached (or was closed by force).
inline void TraceDisconnect(TFIBDatabase& /*database*/) {}
// TRACE POINT: a transaction started.
inline void TraceStartTransaction(TFIBTransaction& /*transaction*/) {}
// TRACE POINT: a transaction committed.
inline void TraceCommit(TFIBTransaction& /*transaction*/) {}
// TRACE POINT: a transaction committed and stayed active.
inline void TraceCommitRetaining(TFIBTransaction& /*transaction*/) {}
// TRACE POINT: a transaction rolled back (also a failed commit that was rolled back).
inline void TraceRollback(TFIBTransaction& /*transaction*/) {}
// TRACE POINT: a transaction rolled back and stayed active.
inline void TraceRollbackRetaining(TFIBTransaction& /*transaction*/) {}
