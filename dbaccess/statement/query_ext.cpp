#include "dbaccess/statement/query_ext.h"

#include "dbaccess/client/errors.h"
#include "dbaccess/statement/sqlda.h"
#include "framework/core/base/exceptions.h"
#include "framework/core/component/strings.h"

TpFIBQuery::TpFIBQuery(TComponent* owner) : TFIBQuery(owner) {}

TpFIBQuery::~TpFIBQuery() = default;

std::string TpFIBQuery::About() const {
  return "TpFIBQuery: a statement with execution events and an error event that may retry";
}

void TpFIBQuery::ExecQuery() {
  DoBeforeExecute();
  for (;;) {
    try {
      TFIBQuery::ExecQuery();
      break;
    } catch (EFIBError& error) {
      if (!OnExecuteError) throw;
      TDataAction action = daFail;
      DoExecuteError(error, action);
      if (action == daRetry) continue;
      if (action == daAbort) Abort();
      throw;
    }
  }
  DoAfterExecute();
}

void TpFIBQuery::DoBeforeExecute() {
  if (BeforeExecute) BeforeExecute(this);
}

void TpFIBQuery::DoAfterExecute() {
  if (AfterExecute) AfterExecute(this);
}

void TpFIBQuery::DoExecuteError(EFIBError& error, TDataAction& action) {
  if (OnExecuteError) OnExecuteError(this, error, action);
}

// ---- Text blobs ---------------------------------------------------------------------

namespace {
constexpr int TextBlobSubtype = 1;

// The content of the text blob column of the current row, when there is one.
bool ReadTextBlob(TFIBQuery& query, std::string_view columnName, std::string& text) {
  if (!query.Open()) return false;
  const int index = query.FieldIndex(columnName);
  if (index < 0) return false;
  TFIBXSQLVAR& column = query.Fields(index);
  if (column.SQLType() != SQLTypeBlob || column.SQLSubtype() != TextBlobSubtype) return false;
  try {
    text = column.AsString();
  } catch (const Exception&) {
    return false;
  }
  return true;
}
}  // namespace

bool ReadTextBlobField(TFIBQuery& query, std::string_view columnName, TStrings* list) {
  if (!list) return false;
  std::string text;
  if (!ReadTextBlob(query, columnName, text)) return false;
  list->SetText(text);
  return true;
}

std::string TextBlobFieldValue(TFIBQuery& query, std::string_view columnName) {
  std::string text;
  if (!ReadTextBlob(query, columnName, text)) return {};
  return text;
}
