#pragma once
// Declarations of the database layer's classes, for headers that only pass
// them around.

class EFIBError;
class EFIBInterBaseError;
class EFIBClientError;
struct TStatusInterpreter;
struct TFreeDeleter;
enum class TDateTimeTextKind;
class TDataSetsContainer;
class TUserEventReceiver;
class TExpressionParser;
class TFilterExpression;
class TFilterRecordSource;
class TFilterValue;
struct TFilterExpressionOptions;
