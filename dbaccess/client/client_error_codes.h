#pragma once
// The client error codes and their format texts: one list, so a code's name
// and its text cannot drift apart. A code's number is its place in the list;
// callers and tests use the names. `X(name, text)` is expanded once for the
// enumeration (errors.h) and once for the text table (errors.cpp).

#define TULVO_CLIENT_ERRORS(X) \
  X(ceUnknownError, "Unknown error.") \
  X(ceUnsupportedFeature, "Unsupported feature.") \
  X(ceNotPermitted, "Not permitted.") \
  X(ceTempFileAccess, "Temporary file access error.") \
  X(ceConnectionTimedOut, "Database connection timed out.") \
  X(ceCannotSetDatabase, "Cannot set database.") \
  X(ceCannotSetTransaction, "Cannot set transaction.") \
  X(ceOperationCancelled, "Operation cancelled at user's request.") \
  X(ceDPBConstantUnsupported, "DPB Constant (isc_dpb_%s) is unsupported.") \
  X(ceDPBConstantUnknown, "DPB Constant (%s) is unknown.") \
  X(ceTPBConstantUnsupported, "TPB Constant (isc_tpb_%s) is unsupported.") \
  X(ceTPBConstantUnknown, "TPB Constant (%s) is unknown.") \
  X(ceDatabaseClosed, "%s: Cannot perform operation -- DB is not open.") \
  X(ceDatabaseOpen, "Cannot perform operation -- DB is currently open.") \
  X(ceDatabaseNameMissing, "Database name is missing.") \
  X(ceNotInTransaction, "Transaction is not active.") \
  X(ceInTransaction, "Transaction is active.") \
  X(ceTimeoutNegative, "Timeout values cannot be negative.") \
  X(ceNoDatabasesInTransaction, "No databases are listed in transaction component.") \
  X(ceUpdateWrongDatabase, "Updating wrong database.") \
  X(ceUpdateWrongTransaction, "Updating wrong transaction.") \
  X(ceDatabaseNotAssigned, "Database not assigned for %s.") \
  X(ceTransactionNotAssigned, "Transaction not assigned for %s.") \
  X(ceXSQLDAIndexOutOfRange, "XSQLDA index out of range.") \
  X(ceXSQLDANameDoesNotExist, "XSQLDA name does not exist (%s).") \
  X(ceEOF, "End of file.") \
  X(ceBOF, "Beginning of file.") \
  X(ceInvalidStatementHandle, "Invalid statement handle.") \
  X(ceDatasetOpen, "Can't %s because %s dataset open.") \
  X(ceDatasetClosed, "Can't %s because %s dataset closed.") \
  X(ceUnknownSQLDataType, "Unknown SQL Data type (%d).") \
  X(ceInvalidColumnIndex, "Invalid column index (index exceeds permitted range).") \
  X(ceInvalidParamColumnIndex, "Invalid parameter index (index exceeds permitted range).") \
  X(ceInvalidDataConversion, "Invalid data conversion.") \
  X(ceColumnIsNotNullable, "Column cannot be set to null (%s)") \
  X(ceBlobCannotBeRead, "Blob stream cannot be read.") \
  X(ceBlobCannotBeWritten, "Blob stream cannot be written.") \
  X(ceEmptyQuery, "Can't %s , because  query is empty") \
  X(ceCannotOpenNonSelect, "Can't \"open\" a non-select statement. Use ExecQuery.") \
  X(ceNoFieldAccess, "No access to field \"%s\".") \
  X(ceFieldReadOnly, "Field \"%s\" is read-only.") \
  X(ceFieldNotFound, "Field \"%s\" not found.") \
  X(ceNotInEditMode, "DataSet not in Edit or Insert mode.(%s)") \
  X(ceNotEditing, "Not editing.") \
  X(ceCannotInsert, "Can't insert into dataset. (%s)") \
  X(ceCannotPost, "Can't post. (%s) ") \
  X(ceCannotUpdate, "Can't update. (%s)") \
  X(ceCannotDelete, "Can't delete from dataset. (%s)") \
  X(ceCannotRefresh, "Can't refresh row. (%s)") \
  X(ceBufferNotSet, "Buffer not set.") \
  X(ceCircularReference, "Circular references not permitted.(%s)") \
  X(ceSQLParseError, "SQL Parse Error in :%s \r\n\r\n%s") \
  X(ceUserAbort, "User abort.") \
  X(ceDataSetUniDirectional, "Data set is uni-directional.") \
  X(ceCannotCreateSharedResource, "Cannot create shared resource. (Windows error %d)") \
  X(ceSystemCallError, "Windows API error. (Windows error %d [$%.8x])") \
  X(ceColumnListsDontMatch, "Column lists do not match.") \
  X(ceColumnTypesDontMatch, "Column types don't match. (From index: %d, To index: %d)") \
  X(ceCantEndSharedTransaction, "Can't end a shared transaction unless it is forced and equal to the transaction's TimeoutAction.") \
  X(ceFieldIsNotArray, "Column types \"%s\" is not array field") \
  X(ceDimensionNotExists, "Dimension %d don't exist in \"%s\" ") \
  X(ceInvalidSQLDialect, "SQL Dialect invalid") \
  X(ceClientLibraryNotFound, "InterBase library libfbclient.so.2 not found in the path. Please install InterBase to use this " "functionality") \
  X(ceClientFunctionMissing, "%s is an InterBase6 function. Please upgrade to InterBase6 to use this functonality") \
  X(ceInstallLibraryNotFound, "InterBase Install DLL ibinstall.dll not found in the path. Please install InterBase 6 to use this " "functionality") \
  X(ceServiceNotAttached, "Cannot perform operation -- service is not attached") \
  X(ceServiceAttached, "Cannot perform operation -- service is attached") \
  X(ceServerNameMissing, "Server Name Missing") \
  X(ceQueryParamsError, "Query Parameters missing or incorrect") \
  X(ceStartParamsError, "Start Parameters missing or incorrect") \
  X(ceOutputParsingError, "Unexpected Output buffer value") \
  X(ceUseSpecificProcedures, "Generic ServiceStart not applicable: Use Specific Procedures to set configuration params") \
  X(ceSPBConstantNotSupported, "SPB Constant Not supported") \
  X(ceSPBConstantUnknown, "SPB Constant Unknown") \
  X(ceFieldSizeTooSmall, "Field Size too small. Field %s.%s")
