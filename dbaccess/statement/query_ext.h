#pragma once
// `TpFIBQuery`: the statement component with a description, events around
// its execution and an error event that may retry it. Owned like any
// component (by its owner, or by a unique_ptr); the query cache
// (query_cache.h) hands out prepared ones for the layer's short statements.
//
// Execution raises BeforeExecute once, then runs the statement; when that
// fails with an `EFIBError` and OnExecuteError is set, the handler decides:
// daFail re-raises the error, daAbort ends silently (EAbort), daRetry runs
// the statement again. AfterExecute follows a successful run.

#include <string>
#include <string_view>

#include "dbaccess/statement/query.h"
#include "framework/core/data/dataset_types.h"
#include "framework/core/base/event.h"
#include "framework/core/base/object.h"

class EFIBError;
class TStrings;
class TpFIBQuery;

using TFIBQueryErrorEvent = TEvent<void(TpFIBQuery* pFIBQuery, EFIBError& E, TDataAction& Action)>;

class TpFIBQuery : public TFIBQuery {
 public:
  explicit TpFIBQuery(TComponent* owner);
  ~TpFIBQuery() override;

  const std::string& Description() const { return FDescription; }
  void SetDescription(std::string description) { FDescription = std::move(description); }
  // Information about the component; not stored, and writing it does nothing.
  std::string About() const;
  void SetAbout(std::string_view) {}

  TNotifyEvent BeforeExecute;
  TNotifyEvent AfterExecute;
  TFIBQueryErrorEvent OnExecuteError;

  void ExecQuery() override;

 protected:
  void DoBeforeExecute();
  void DoAfterExecute();
  // Without a handler the action stays daFail.
  void DoExecuteError(EFIBError& error, TDataAction& action);

 private:
  std::string FDescription;
};

// Loads the text blob column of the query's current row into list (its
// lines). False, with list untouched, unless the query has an open cursor
// with a row, list is given, the column exists and is a text blob (sub-type
// 1); false as well when reading the blob fails.
bool ReadTextBlobField(TFIBQuery& query, std::string_view columnName, TStrings* list);
// The same content as one text; empty where ReadTextBlobField gives false.
std::string TextBlobFieldValue(TFIBQuery& query, std::string_view columnName);
