// TpFIBDataSet: preparing (the repository's description of the dataset),
// the fields' formats and flags from the metadata caches, and the links
// from select parameters to fields.

#include "dbaccess/client/errors.h"
#include "dbaccess/connection/database.h"
#include "dbaccess/dataset/fib_fields.h"
#include "dbaccess/dataset/pfib_dataset.h"
#include "dbaccess/metadata/dataset_info.h"
#include "dbaccess/metadata/metadata_caches.h"
#include "dbaccess/metadata/table_info.h"
#include "dbaccess/metadata/table_info_collect.h"
#include "dbaccess/sql/sql_lexer.h"
#include "dbaccess/sql/sql_text.h"
#include "dbaccess/statement/query.h"
#include "dbaccess/statement/query_conditions.h"
#include "dbaccess/statement/sqlda.h"
#include "dbaccess/util/helpers.h"
#include "framework/core/text/format_settings.h"
#include "framework/core/text/text.h"

namespace {

// A numeric format with n decimals: "#,##0." and "0.00" both give n places.
std::string ExpandNumericFormat(const std::string& format, int decimals) {
  if (format.empty() || decimals < 0) return format;
  if (format.back() == '.') return format + std::string(static_cast<std::size_t>(decimals), '0');
  if (format.size() >= 2 && format[format.size() - 2] == '.')
    return format.substr(0, format.size() - 2) + "." +
           std::string(static_cast<std::size_t>(decimals), format.back());
  return format;
}

// Words a default may be instead of a value: the server fills them in.
bool IsDefaultKeyword(std::string_view word) {
  return IsInWordList(word, {"NULL", "NOW", "CURRENT_TIME", "CURRENT_TIMESTAMP", "TODAY", "CURRENT_DATE",
                             "TOMORROW", "YESTERDAY", "USER", "CURRENT_USER", "ROLE", "CURRENT_ROLE"});
}

bool IsDateTimeType(TFieldType type) { return type == ftDate || type == ftTime || type == ftDateTime; }

bool IsNumericField(const TField* field) { return dynamic_cast<const TNumericField*>(field) != nullptr; }

// "ALIAS.COLUMN" (either part may be quoted) into its two parts; the
// qualifier is empty without a point outside quotes.
void SplitQualified(std::string_view text, std::string& qualifier, std::string& column) {
  const std::vector<sqltext::TCharClass> classes = sqltext::Classify(text);
  std::size_t point = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] == '.' && classes[i] == sqltext::TCharClass::Code) point = i;
  if (point == std::string_view::npos) {
    qualifier.clear();
    column = std::string(text);
  } else {
    qualifier = std::string(text.substr(0, point));
    column = std::string(text.substr(point + 1));
  }
}

}  // namespace

// ---- Preparing ------------------------------------------------------------------------------

void TpFIBDataSet::InternalPrepare() {
  TScreenCursorScope cursor(SQLScreenCursor());
  if (PrepareOptions().Contains(psApplyRepositary) && FDataSetID > 0) ApplyRepository();
  TFIBDataSet::InternalPrepare();
  if (ComponentState().Contains(TComponentStateItem::csDesigning)) {
    CheckModifyRights(ukModify);
    CheckModifyRights(ukInsert);
    CheckModifyRights(ukDelete);
  }
}

void TpFIBDataSet::ApplyRepository() {
  TConditions& conditions = Conditions();
  const bool applied = conditions.Applied();
  ListDataSetInfo().ApplyDataSetInfo(Database(), FDataSetID, Name(),
                                     ComponentState().Contains(TComponentStateItem::csDesigning),
                                     [this](const TpDataSetInfo& info) { ApplyDataSetInfoEntry(info); });
  if (applied) conditions.Apply();
}

void TpFIBDataSet::ApplyDataSetInfoEntry(const TpDataSetInfo& info) {
  const auto replace = [](TStrings& target, const TStrings& source) {
    if (IsEmptyStrings(source) || target.Text() == source.Text()) return;
    target.Assign(&source);
  };
  const TConditions& conditions = Conditions();
  if (!conditions.Applied() || conditions.PrimarySQL() != info.SelectSQL().Text())
    replace(SelectSQL(), info.SelectSQL());
  replace(InsertSQL(), info.InsertSQL());
  replace(UpdateSQL(), info.UpdateSQL());
  replace(DeleteSQL(), info.DeleteSQL());
  replace(RefreshSQL(), info.RefreshSQL());
  TAutoUpdateOptions& options = *FAutoUpdateOptions;
  options.SetKeyFields(info.KeyField());
  options.SetGeneratorName(info.GeneratorName());
  options.SetUpdateOnlyModifiedFields(info.UpdateOnlyModifiedFields());
  options.SetUpdateTableName(info.UpdateTableName());
  if (info.KeyField().empty() || info.GeneratorName().empty())
    options.SetWhenGetGenID(wgNever);
  else if (options.WhenGetGenID() == wgNever)
    options.SetWhenGetGenID(wgBeforePost);
  Conditions().LoadFromText(info.Conditions());
  FDescription = info.Description();
}

// ---- Fields from the metadata --------------------------------------------------------------

void TpFIBDataSet::PrepareFields() {
  FEmptyStringDefaults.clear();
  for (TField* field : Fields()) PrepareFieldFromMetadata(field);
}

void TpFIBDataSet::PrepareFieldFromMetadata(TField* field) {
  const TFormatFields& formats = *FDefaultFormats;
  if (Options().Contains(poAutoFormatFields)) {
    const auto formatNumber = [&](TNumericField* numeric, int decimals) {
      if (numeric->DisplayFormat().empty())
        numeric->SetDisplayFormat(ExpandNumericFormat(formats.NumericDisplayFormat(), decimals));
      if (numeric->EditFormat().empty())
        numeric->SetEditFormat(ExpandNumericFormat(formats.NumericEditFormat(), decimals));
    };
    if (auto* bcd = dynamic_cast<TBCDField*>(field)) {
      if (bcd->Size() > 0) formatNumber(bcd, bcd->Size());
    } else if (auto* numeric = dynamic_cast<TNumericField*>(field)) {
      const int scale = FieldColumnScale(field);
      if (field->FieldKind() == fkData && scale < 0) formatNumber(numeric, -scale);
    } else if (auto* dateTime = dynamic_cast<TDateTimeField*>(field); dateTime && dateTime->DisplayFormat().empty()) {
      if (field->DataType() == ftDate)
        dateTime->SetDisplayFormat(formats.DisplayFormatDate());
      else if (field->DataType() == ftTime)
        dateTime->SetDisplayFormat(formats.DisplayFormatTime());
      else
        dateTime->SetDisplayFormat(formats.DateTimeDisplayFormat());
    }
  }

  const TpPrepareOptions options = PrepareOptions();
  if (!(options.Contains(pfSetRequiredFields) || options.Contains(pfSetReadOnlyFields) ||
        options.Contains(pfImportDefaultValues) || options.Contains(psUseBooleanField) ||
        options.Contains(psApplyRepositary)) ||
      Database() == nullptr)
    return;
  const bool useRepository = options.Contains(psApplyRepositary);
  TpFIBTableInfoCollect& tables = ListTableInfo();
  const TpFIBFieldInfo* alias = tables.GetFieldInfo(Database(), AliasTableName, useRepository, field->FieldName());
  const std::string relation = OriginTableOf(field);
  const std::string column = OriginColumnOf(field);
  const bool known = field->FieldKind() == fkData && !relation.empty() && !column.empty();
  const TpFIBFieldInfo* columnInfo =
      known && relation != "CALCULATED" ? tables.GetFieldInfo(Database(), relation, useRepository, column) : nullptr;

  const bool isData = field->FieldKind() == fkData;
  if (options.Contains(pfSetReadOnlyFields) && isData && !field->ReadOnly() && !relation.empty()) {
    const bool foreign =
        FAutoUpdateOptions->AutoReWriteSqls()
            ? !AnsiSameText(relation, FAutoUpdateOptions->UpdateTableName())
            : relation != InsertQuery().ModifyTableName() && relation != UpdateQuery().ModifyTableName();
    if (foreign) field->SetReadOnly(true);
  }
  if (alias == nullptr && columnInfo == nullptr) return;

  if (options.Contains(pfImportDefaultValues)) {
    const TpFIBFieldInfo& source = columnInfo != nullptr ? *columnInfo : *alias;
    const std::string value = source.DefaultValue();
    std::string expression;
    if (IsNumericField(field)) {
      expression = ReplaceAll(value, ".", std::string(1, FormatSettings().DecimalSeparator));
    } else if (IsDateTimeType(field->DataType())) {
      const std::string word = AnsiUpperCase(Trim(value));
      if (IsDefaultKeyword(word)) {
        expression = word;
      } else if (!Trim(value).empty()) {
        const TDateTimeTextKind kind = field->DataType() == ftDate   ? TDateTimeTextKind::Date
                                       : field->DataType() == ftTime ? TDateTimeTextKind::Time
                                                                     : TDateTimeTextKind::DateTime;
        NormalizeDateTimeText(value, kind, expression);
      }
    } else if (dynamic_cast<TStringField*>(field) != nullptr) {
      // A text default keeps its spelling and stays a literal; only an
      // unquoted word means the server's value.
      const std::string word = AnsiUpperCase(Trim(value));
      if (!source.DefaultValueIsLiteral() && IsDefaultKeyword(word))
        expression = word;
      else if (!value.empty())
        expression = QuotedStr(value);
      if (dynamic_cast<TFIBStringField*>(field) != nullptr && source.DefaultValueEmptyString())
        FEmptyStringDefaults.push_back(field);
    } else {
      expression = AnsiUpperCase(Trim(value));
    }
    field->SetDefaultExpression(expression);
  }

  const TpFIBFieldInfo& entry = alias != nullptr ? *alias : *columnInfo;
  if (isData) {
    if (options.Contains(pfSetReadOnlyFields) && !field->ReadOnly() && entry.IsComputed()) field->SetReadOnly(true);
    if (options.Contains(pfSetRequiredFields)) {
      const TFIBXSQLVAR* output = SelectColumnOf(field);
      field->SetRequired(output != nullptr && !output->IsNullable() && IsBlankText(entry.DefaultValue()) &&
                         !entry.IsTriggered());
    }
  }
  if (useRepository && entry.WithAdditionalInfo()) {
    if (entry.DisplayWidth() != 0) field->SetDisplayWidth(entry.DisplayWidth());
    if (!entry.DisplayLabel().empty()) field->SetDisplayLabel(entry.DisplayLabel());
    field->SetVisible(entry.Visible());
    if (auto* numeric = dynamic_cast<TNumericField*>(field)) {
      if (!entry.DisplayFormat().empty()) numeric->SetDisplayFormat(entry.DisplayFormat());
      if (!entry.EditFormat().empty()) numeric->SetEditFormat(entry.EditFormat());
    } else if (auto* dateTime = dynamic_cast<TDateTimeField*>(field)) {
      if (!entry.DisplayFormat().empty()) dateTime->SetDisplayFormat(entry.DisplayFormat());
    }
  }
}

// ---- Parameters to fields ------------------------------------------------------------------

void TpFIBDataSet::FillParamsToFields() {
  const std::string text = SelectSQL().Text();
  TStrings& links = FAutoUpdateOptions->ParamsToFieldsLinks();
  TFIBXSQLDA& params = SelectQuery().Params();
  for (int i = 0; i < params.Count(); ++i) {
    if (params[i].IsMacro()) continue;
    const std::string& param = params[i].Name();
    const std::string columnText = Trim(ColumnBeforeParam(text, param));
    if (columnText.empty()) continue;
    std::string qualifier, column;
    SplitQualified(columnText, qualifier, column);
    column = !column.empty() && column.front() == '"' ? sqltext::Unquoted(column) : AnsiUpperCase(column);
    std::string name = column;
    if (!qualifier.empty()) {
      const std::string table = sqltext::Unquoted(TableOfAlias(text, qualifier));
      if (TField* field = FieldByOrigin(table + "." + column)) name = field->FieldName();
    }
    links.SetValues(name, param);
  }
}
