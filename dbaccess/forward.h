#pragma once
// Declarations of the database layer's classes, for headers that only pass
// them around.

class EFIBError;
class EFIBInterBaseError;
class EFIBClientError;
struct TStatusInterpreter;
class TClientLibrary;
struct TClientEntryPoints;
struct TTransactionVectorEntry;
struct TFreeDeleter;
enum class TDateTimeTextKind;
class TSQLParser;
struct TWhereClause;
struct TOrderByField;
class TCallBackList;
class TNotifyEventList;
class TObjStringList;
class TStringCollection;
class TSortedList;
class TFIBFieldDescrList;
class TDataSetsContainer;
class TUserEventReceiver;
class EMemManagerError;
class TRecordsCache;
class TCacheStringStore;
class TExpressionParser;
class TFilterExpression;
class TFilterRecordSource;
class TFilterValue;
struct TFilterExpressionOptions;
class TFIBSQLMonitorHook;
class TSQLMonitorChannel;
class TSQLMonitorReader;
struct TMonitorBlock;
struct TMonitorChunk;
struct TTraceValue;
