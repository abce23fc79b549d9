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
class TDatabaseHandle;
class TTransactionHandle;
class TFIBListKey;
class TFIBDatabase;
class TFIBTransaction;
class TFIBBase;
class TFIBLinkList;
class TDBParams;
class TConnectParams;
class TAutoUpdateOptions;
class TFormatFields;
class TCacheSchemaOptions;
class TpFIBDatabase;
class TpFIBTransaction;
struct TLostConnectionHooks;
struct TRegReadValue;
