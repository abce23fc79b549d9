// TpFIBDataSet: modify, insert, delete and refresh texts generated from the
// table's metadata, and their rewriting when the dataset opens.
//
// Names are written for the connection's dialect: server names keep their
// spelling (quoted unless plain upper-case identifiers), parameters are
// "?OLD_<field>" for the key condition and "?NEW_<field>" for the values,
// the parameter names the modify statements fill from the record.

#include <iterator>

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "dbaccess/metadata/table_info.h"
#include "dbaccess/metadata/table_info_collect.h"
#include "dbaccess/sql/sql_lexer.h"
#include "dbaccess/sql/sql_text.h"
#include "dbaccess/sql/sql_words.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/base/scope_exit.h"
#include "framework/core/text/text.h"

namespace {

constexpr const char* KindPropertyNames[] = {"UpdateSQL", "InsertSQL", "DeleteSQL", "RefreshSQL"};
constexpr const char* ValueIndent = "     ";

std::vector<std::string> SplitNames(const std::string& names) {
  std::vector<std::string> result;
  std::size_t start = 0;
  while (start <= names.size()) {
    std::size_t end = names.find(';', start);
    if (end == std::string::npos) end = names.size();
    std::string name = Trim(std::string_view(names).substr(start, end - start));
    if (!name.empty()) result.push_back(std::move(name));
    start = end + 1;
  }
  return result;
}

// How the select text names the table: its alias in the FROM clause when
// it has one (the server then knows the table only by it), else the name.
std::string QualifierInSelect(std::string_view selectText, const std::string& relation,
                              const std::string& formatted) {
  for (const std::string& item : FromItems(selectText)) {
    const std::vector<std::string> words = sqltext::Tokens(item);
    if (words.size() >= 2 && sqltext::Unquoted(words.front()) == relation) return words.back();
  }
  return formatted;
}

bool ValueChanged(TField* field) {
  // A blob's id does not tell whether its content changed: it is written.
  if (IsBlobFieldType(field->DataType())) return true;
  return VarCompareValue(field->OldValue(), field->AsVariant()) != vrEqual;
}

}  // namespace

std::string TpFIBDataSet::GenerateSQLText(const std::string& tableName, const std::string& keyFields,
                                          TpSQLKind kind) {
  if (tableName.empty()) return {};
  std::vector<TField*> keys;
  for (const std::string& name : SplitNames(keyFields))
    if (TField* field = FieldByNameCached(name)) keys.push_back(field);
  if (keys.empty()) return {};
  if (Database() == nullptr) RaiseClientError(ceDatabaseNotAssigned, ComponentPath(this));
  const int dialect = Database()->SQLDialect();
  const std::string table = FormatIdentifierUpper(dialect, tableName, false);
  // The table as the server spells it, to compare with the fields' origins.
  const std::string relation = sqltext::Unquoted(table);
  TpFIBTableInfo* info = ListTableInfo().GetTableInfo(Database(), relation, false);
  const auto name = [dialect](const std::string& text) { return FormatIdentifierUpper(dialect, text, false); };

  // The refresh text is the select's: its condition names the table as the
  // select does.
  const std::string qualifier = kind == skRefresh ? QualifierInSelect(SelectSQL().Text(), relation, table) : table;
  std::string condition;
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
    TField* field = *it;
    if (OriginTableOf(field) != relation) continue;
    const TFIBColumnDescriptor* descriptor = ColumnOf(field);
    std::string column;
    if (descriptor != nullptr && descriptor->IsDbKey) {
      column = "RDB$DB_KEY";
    } else {
      const std::string origin = OriginColumnOf(field);
      const TpFIBFieldInfo* fieldInfo = info->FieldInfo(origin);
      if (fieldInfo == nullptr || fieldInfo->IsComputed()) continue;
      column = name(origin);
    }
    if (!condition.empty()) condition += " and ";
    condition += qualifier + "." + column + "=?" + name("OLD_" + field->FieldName());
  }
  if (condition.empty())
    throw Exception(Format("%s: unable to generate %s because fields for \"%s\" do not exist in dataset.",
                           ComponentPath(this), KindPropertyNames[kind], tableName));
  if (kind == skDelete) return "Delete from " + table + "\r\nwhere " + condition;
  if (kind == skRefresh) return AddCondition(SelectSQL().Text(), condition, true);

  const bool onlyModified = FAutoUpdateOptions->UpdateOnlyModifiedFields();
  std::string sets, columns, values;
  for (TField* field : Fields()) {
    if (field->FieldKind() != fkData || OriginTableOf(field) != relation) continue;
    const std::string origin = OriginColumnOf(field);
    const TpFIBFieldInfo* fieldInfo = info->FieldInfo(origin);
    if (fieldInfo == nullptr || fieldInfo->IsComputed()) continue;
    if (onlyModified && (kind == skModify ? !ValueChanged(field) : field->IsNull())) continue;
    const std::string column = name(origin);
    const std::string param = "?" + name("NEW_" + field->FieldName());
    if (kind == skModify) {
      sets += (sets.empty() ? "\r\n" : ",\r\n") + std::string(ValueIndent) + column + "=" + param;
    } else {
      columns += (columns.empty() ? "\r\n" : ",\r\n") + std::string(ValueIndent) + column;
      values += (values.empty() ? "\r\n" : ",\r\n") + std::string(ValueIndent) + param;
    }
  }
  if (kind == skModify)
    return sets.empty() ? std::string("No Action") : "Update " + table + " Set" + sets + "\r\nwhere " + condition;
  // A new record is always sent, even with no value of its own: the server
  // then fills every column from its defaults and triggers.
  if (columns.empty()) return "Insert into " + table + "\r\nDEFAULT VALUES";
  return "Insert into " + table + "(" + columns + "\r\n)\r\nvalues (" + values + "\r\n)";
}

std::string TpFIBDataSet::GenerateSQLTextFor(TpSQLKind kind) {
  return GenerateSQLText(FAutoUpdateOptions->UpdateTableName(), FAutoUpdateOptions->KeyFields(), kind);
}

void TpFIBDataSet::SetGeneratedText(TFIBQuery& query, const std::string& text) {
  if (text.empty()) return;
  if (Trim(query.SQL().Text()) == Trim(text)) return;
  query.SQL().SetText(text);
}

void TpFIBDataSet::RewriteSqlsAtOpen() {
  TAutoUpdateOptions& options = *FAutoUpdateOptions;
  if (!options.AutoReWriteSqls()) return;
  if (options.UpdateOnlyModifiedFields()) {
    // The modify and insert texts are made for each post.
    SetGeneratedText(RefreshQuery(), GenerateSQLTextFor(skRefresh));
    SetGeneratedText(DeleteQuery(), GenerateSQLTextFor(skDelete));
    return;
  }
  // The texts are made from the fields' definitions; and rewriting them is
  // no change a statement's own handler is told of.
  if (FieldCount() == 0) InternalInitFieldDefs();
  TFIBQuery* const statements[] = {&DeleteQuery(), &UpdateQuery(), &InsertQuery(), &RefreshQuery()};
  TNotifyEvent handlers[std::size(statements)];
  for (std::size_t i = 0; i < std::size(statements); ++i) {
    handlers[i] = statements[i]->OnSQLChanging;
    statements[i]->OnSQLChanging = nullptr;
  }
  const TAtScopeExit reattach([&] {
    for (std::size_t i = 0; i < std::size(statements); ++i) statements[i]->OnSQLChanging = handlers[i];
  });
  if (options.KeyFields().empty() && !options.UpdateTableName().empty() && Database() != nullptr) {
    // The table's primary key, when every key column has a field.
    const std::string relation = sqltext::Unquoted(FormatIdentifierUpper(Database()->SQLDialect(),
                                                                         options.UpdateTableName(), false));
    std::string keys;
    for (const std::string& column :
         SplitNames(ListTableInfo().GetTableInfo(Database(), relation, false)->PrimaryKeyFields())) {
      TField* field = FieldByOrigin(relation + "." + column);
      if (field == nullptr) {
        keys.clear();
        break;
      }
      if (!keys.empty()) keys += ';';
      keys += field->FieldName();
    }
    if (keys.empty()) {
      for (TField* field : Fields()) {
        if (!keys.empty()) keys += ';';
        keys += field->FieldName();
      }
    }
    options.SetKeyFields(keys);
  }
  if (options.KeyFields().empty()) return;
  const bool replace = options.CanChangeSQLs();
  struct TKindText {
    TpSQLKind Kind;
    TFIBQuery* Query;
  };
  for (const TKindText& entry : {TKindText{skDelete, &DeleteQuery()}, TKindText{skModify, &UpdateQuery()},
                                 TKindText{skInsert, &InsertQuery()}, TKindText{skRefresh, &RefreshQuery()}}) {
    if (replace || IsBlankText(entry.Query->SQL().Text()))
      SetGeneratedText(*entry.Query, GenerateSQLTextFor(entry.Kind));
  }
}
